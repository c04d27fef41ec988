// Prints one receipt to a printer on 127.0.0.1:PORT the way a point-of-sale program does: the
// receipt is written in ReceiptLine markdown and turned into ESC/POS by the `receiptline`
// package, then sent over TCP. A second form sends plain text in a code page through
// `iconv-lite` with no code-table command, so that the printer's stored code page decides.
//
//   node print.js PORT receipt ENCODING CPL     (ENCODING: cp858, gb18030, ...)
//   node print.js PORT plain CHARSET TEXT
'use strict';
const net = require('net');
const receiptline = require('receiptline');
const iconv = require('iconv-lite');

const [port, form, encoding, extra] = process.argv.slice(2);

const chinese = encoding === 'gb18030';
const receipt = `^^^Café Vantrel
${chinese ? '中文收据' : 'Receipt'} | No. 42
---
Espresso | 2.80 €
Croissant | 1.70 €
"Total" | "4.50 €"
{code:12345678; option:ean,hri}
{code:https://vantrel.test/r/42; option:qrcode,4,l}
{cut}`;

let bytes;
if (form === 'receipt') {
  const commands = receiptline.transform(receipt, {
    cpl: Number(extra || 48), encoding, command: 'escpos', cutting: true,
  });
  bytes = Buffer.from(commands, 'binary');
} else {
  // Initialise, the text and a full cut; no code-table command.
  bytes = Buffer.concat([Buffer.from([0x1b, 0x40]), iconv.encode(`${extra}\n`, encoding),
    Buffer.from([0x1d, 0x56, 0x00])]);
}
const socket = net.connect(Number(port), '127.0.0.1', () => socket.end(bytes));
socket.on('error', (error) => { console.error(`print.js: ${error.message}`); process.exit(1); });
