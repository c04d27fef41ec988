#!/usr/bin/python
# -*- coding: utf-8 -*-
# Sets a receipt printer's stored settings, downloads and prints stored bitmaps through the
# vantrel command-line tool of the managed host.

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
---
module: vantrel_printer
short_description: Set a receipt printer's stored settings and bitmaps with vantrel
description:
  - Configures a receipt printer attached to the managed host (serial line, parallel port, USB)
    or reachable from it over the network, by calling the C(vantrel) command-line tool there.
    The tool must be installed on the managed host.
  - One task may send settings (from C(settings), a C(profile) file, or both), download an image
    into a stored-bitmap slot and print that slot, in this order. Each is one run of the tool,
    which opens the connection, sends, reads the printer's answers and releases it.
  - Every value is first checked by the tool with C(--dry-run), which opens nothing. A bad
    setting name or value, an unreadable profile or image, or a slot outside 1 to 8 fails the
    task with the tool's own message before anything is sent to the printer.
  - The printer's protocol has no command that reads its current settings back, so the module
    cannot tell whether a printer already holds the values. Every run that sends something is
    reported as C(changed). A task that has nothing to send (no settings, or only C(Default)
    values, no image and no print) sends nothing, not even an empty frame, and is not changed.
  - Over a serial line, the parallel port or USB the printer answers each setting, and a setting
    that did not read back fails the task with the tool's report. Over the network nothing is
    read back, so every sent setting reports C(completed), even when the printer stopped
    listening after accepting the connection.
  - The texts of the report lines are Chinese or English, by C(lang) or else by the managed
    host's locale as the tool reads it.
version_added: "1.0.0"
author:
  - Vantrel developers
requirements:
  - the C(vantrel) program on the managed host (on the PATH, or C(vantrel_path))
options:
  interface:
    description:
      - Where the printer is, as the tool's C(--interface) takes it.
      - C(COM1) to C(COM10) (C(/dev/ttyS0) to C(/dev/ttyS9)), C(LPT1) (C(/dev/lp0)), C(USB),
        C(Ethernet) (192.168.1.114:9100), a device path such as C(/dev/ttyUSB0), or a network
        printer as C(HOST) or C(HOST:PORT) (port 9100 unless given).
      - When left out, the tool's default, C(COM1).
    type: str
    aliases: [ i ]
  lang:
    description:
      - The language of the report lines and messages.
      - When left out, the tool follows the managed host's locale.
    type: str
    choices: [ zh, en ]
  baud:
    description:
      - The serial line's current rate, as the printer runs it now (the tool's default is 9600).
      - To change the rate the printer itself uses, set C(target-baud) in C(settings).
    type: int
  parity:
    description:
      - The serial line's current parity (the tool's default is none).
    type: str
    choices: [ none, odd, even ]
  connect_timeout:
    description:
      - Seconds to wait for a network printer to accept the connection (the tool's default is
        10; 0 waits as long as the system does).
    type: float
  settings:
    description:
      - The settings to send. Keys are the tool's setting option names without the leading
        C(--), such as C(code-page), C(language) or C(bt-name); C(vantrel settings) on the
        managed host lists them all with their values.
      - Values are what the tool accepts, a list item's text in either language (case does not
        matter), a short name, or the list's index (0, C(Default), leaves that setting as it
        is). YAML's C(yes)/C(no) and C(on)/C(off) are read as booleans and passed as the
        short names C(on) and C(off).
      - Values given here win over the same setting in C(profile).
      - The Bluetooth password is not taken here (Ansible would show and log it with the task's
        arguments); give it as C(bt_password).
      - The settings reach the tool in a profile file of mode 0600 in the module's temporary
        folder, never on its command line, which every user of the managed host can read.
    type: dict
    default: {}
  bt_password:
    description:
      - The printer's new Bluetooth password, sent as the tool's C(bt-password) setting.
      - Kept out of Ansible's logs and output (C(no_log)); blanked in C(writes) in check mode.
    type: str
  profile:
    description:
      - A profile file on the managed host, a JSON object of settings with the option names as
        keys, as C(vantrel set --profile) reads it.
    type: path
  image:
    description:
      - An image file on the managed host (a two-colour BMP no wider than 576 dots is stored
        byte for byte; PNG, JPEG and GIF are scaled to at most 576 dots and dithered) to
        download into stored-bitmap slot C(slot).
      - To copy the image from the controller first, use M(ansible.builtin.copy).
    type: path
  slot:
    description:
      - The stored-bitmap slot, 1 to 8, for C(image) and C(print_bitmap).
    type: int
  dither:
    description:
      - Convert even a BMP (scaled and dithered), as the tool's C(--dither).
    type: bool
    default: false
  print_bitmap:
    description:
      - Print the bitmap stored in slot C(slot), after the download when C(image) is given.
    type: bool
    default: false
  vantrel_path:
    description:
      - The C(vantrel) program to run. When left out, C(vantrel) is looked up on the PATH.
    type: path
notes:
  - Check mode runs the tool's C(--dry-run) only, which opens nothing and sends nothing. The
    task returns the bytes a real run would send in C(writes) and reports C(changed) as the
    real run would. A printer that is switched off or unreachable is only found by a real run.
  - >-
    Retries belong to Ansible, for instance C(until: result is succeeded) with C(retries).
    A retried run sends every setting again, which is harmless as each command only stores a
    value.
  - >-
    The Bluetooth password has its own option, C(bt_password), which Ansible keeps out of its
    logs and output; C(settings) refuses it.
  - Runs on POSIX managed hosts. Supports check mode; diff mode is not supported.
  - The man page vantrel(1) lists every setting option and its values.
'''

EXAMPLES = r'''
# A store roll-out: every store's point-of-sale computer has its printer on a USB serial adapter,
# and some stores have a second printer in the kitchen on the store's network. The profile is the
# chain's one file of settings, copied to each store first.
#
# inventory.ini
#   [stores]
#   store-014 printer_interface=/dev/ttyUSB0 printer_baud=115200 kitchen_printer=10.14.0.31
#   store-027 printer_interface=/dev/ttyUSB0 printer_baud=9600

- name: Roll out the receipt printer settings
  hosts: stores
  serial: 20%                  # a few stores at a time
  max_fail_percentage: 10
  tasks:
    - name: Copy the chain's printer profile and logo
      ansible.builtin.copy:
        src: "{{ item }}"
        dest: /etc/vantrel/
        mode: "0644"
      loop: [chain-printer.json, receipt-logo.png]

    - name: Set the counter printer and store the logo in slot 1
      vantrel.printer.vantrel_printer:
        interface: "{{ printer_interface }}"
        baud: "{{ printer_baud }}"
        lang: en
        profile: /etc/vantrel/chain-printer.json
        settings:
          bt-name: "POS-{{ inventory_hostname }}"
        bt_password: "{{ vault_printer_bt_password }}"   # kept out of logs and output
        image: /etc/vantrel/receipt-logo.png
        slot: 1
        print_bitmap: true     # a sample receipt header for the staff to see
      register: counter
      retries: 2
      delay: 5
      until: counter is succeeded

    - name: Set the kitchen printer over the store's network
      vantrel.printer.vantrel_printer:
        interface: "{{ kitchen_printer }}:9100"
        connect_timeout: 5
        settings:
          code-page: cp437
          buzzer: error
          cutter: acs-230
          mechanism: dp330
      when: kitchen_printer is defined

    - name: Show what each setting reported
      ansible.builtin.debug:
        msg: "{{ counter.results | map(attribute='line') | list }}"

# What a change would send, without sending it (also what --check does for every task).
- name: Preview the bytes for a new code page
  vantrel.printer.vantrel_printer:
    interface: COM2
    settings:
      code-page: 17
  check_mode: true
  register: preview

# The module file may also be used without the collection:
#   ANSIBLE_LIBRARY=ansible/collections/ansible_collections/vantrel/printer/plugins/modules
# and the task then names it vantrel_printer.
'''

RETURN = r'''
changed:
  description:
    - Whether anything was sent to the printer (in check mode, whether a real run would send).
      The printer's settings cannot be read, so this is true for every run that sends.
  returned: always
  type: bool
results:
  description:
    - One entry per sent setting, in the order sent.
  returned: always
  type: list
  elements: dict
  contains:
    option:
      description: The setting's option name, as in C(settings).
      type: str
      sample: code-page
    key:
      description: The setting's name in the tool's catalogue.
      type: str
      sample: CodePage
    outcome:
      description:
        - C(succeeded) or C(failed) where the printer answers, C(completed) where nothing is
          read back (the network), C(dry-run) in check mode.
      type: str
      sample: succeeded
    line:
      description: The setting's report line. Not returned in check mode.
      type: str
      sample: Codepage setting succeed!
  sample:
    - option: code-page
      key: CodePage
      outcome: succeeded
      line: Codepage setting succeed!
lines:
  description: Every report line of the task's runs, in order.
  returned: always
  type: list
  elements: str
  sample: [Language setting succeed!, Codepage setting succeed!]
writes:
  description:
    - The bytes a real run sends, one write or send a line in hexadecimal, as the tool's
      C(--dry-run) prints them, with the Bluetooth password's bytes shown as C(**).
  returned: in check mode
  type: list
  elements: str
  sample: ["write 1b 09", "write 1b 23 11", "write 1b 15"]
runs:
  description: The tool's runs of this task, in order, each with its outcome.
  returned: always
  type: list
  elements: dict
  contains:
    command:
      description: C(set), C(download) or C(print-bitmap).
      type: str
    status:
      description:
        - The tool's exit status, 0 done, 1 a setting failed, 2 bad usage, 3 unusable file,
          4 not opened.
      type: int
    messages:
      description: The tool's messages and reports, as it printed them.
      type: list
      elements: str
  sample:
    - command: set
      status: 0
      messages: ["Codepage setting succeed!\r\n"]
status:
  description: The highest exit status of the task's runs (0 when nothing was run).
  returned: always
  type: int
  sample: 0
target:
  description: The printer as the tool named it.
  returned: when a run was made
  type: str
  sample: /dev/ttyUSB0
msg:
  description: On failure, the tool's message or report.
  returned: on failure
  type: str
  sample: "the connection could not be opened"
'''

import json
import os
import re
import tempfile

from ansible.module_utils.basic import AnsibleModule, _load_params

# The tool's options that are not settings: a key of `settings` must not reach the tool as one
# of them, or a setting could redirect the run (another printer, fleet mode, a dry run).
CONNECTION_OPTIONS = frozenset([
    'interface', 'i', 'baud', 'parity', 'lang', 'json', 'dry-run', 'connect-timeout', 'hosts',
    'profile', 'slot', 'dither', 'help', 'h', 'version',
])

# The Bluetooth password: a setting of its own option, never in `settings` (see bt_password).
PASSWORD_SETTING = 'bt-password'

# The password's command in a dry run's writes: ESC 0x10, its length, then its bytes.
PASSWORD_WRITE = re.compile(r'^((?:write|send) 1b 10 [0-9a-f]{2})((?: [0-9a-f]{2})*)$')

STATUS_TEXTS = {
    1: 'a setting failed',
    2: 'bad usage',
    3: 'an unusable file',
    4: 'the connection could not be opened',
}


def setting_value(value):
    if isinstance(value, bool):
        return 'on' if value else 'off'
    if isinstance(value, float) and value.is_integer():
        return str(int(value))
    return str(value)


def password_in_settings():
    """Whether the task's raw settings name the password (which they are then refused for): the
    module's log line, written as it starts, must not show it even then."""
    settings = _load_params().get('settings')
    if isinstance(settings, dict):
        return any(str(name).lstrip('-').lower() == PASSWORD_SETTING for name in settings)
    return PASSWORD_SETTING in str(settings or '').lower()


def setting_values(settings):
    """The tool's setting names and values for `settings`, or an error text for a bad key."""
    values = {}
    for name, value in settings.items():
        name = str(name)
        if name.startswith('--'):
            name = name[2:]
        if not name or name.startswith('-') or '=' in name or name in CONNECTION_OPTIONS:
            return None, ('settings: "%s" is not a setting name (connections, profiles, slots '
                          'and images have their own module options)' % name)
        if name.lower() == PASSWORD_SETTING:
            return None, ('settings: the Bluetooth password is not taken here, where Ansible '
                          'shows and logs it; give it as bt_password')
        if value is None:
            return None, 'settings: "%s" has no value' % name
        if isinstance(value, (dict, list)):
            return None, 'settings: "%s" takes one value, not a list or mapping' % name
        values[name] = setting_value(value)
    return values, None


def blank_password(writes):
    """The writes with the Bluetooth password's bytes shown as **."""
    def blank(write):
        match = PASSWORD_WRITE.match(write)
        if not match:
            return write
        return match.group(1) + ' **' * (len(match.group(2)) // 3)
    return [blank(write) for write in writes]


def profile_file(module, values):
    """Writes the settings to a new file of mode 0600 in the module's temporary folder (removed
    when the module ends) and returns its path: the tool's command line, which every user of the
    host can read, never holds them."""
    handle, path = tempfile.mkstemp(prefix='vantrel-settings-', suffix='.json', dir=module.tmpdir)
    module.add_cleanup_file(path)
    with os.fdopen(handle, 'w') as out:
        json.dump(values, out)
    return path


def read_profile(path):
    """The settings of a profile file the tool has accepted, as a dict."""
    with open(path, 'rb') as source:
        values = json.loads(source.read().decode('utf-8'))
    return values if isinstance(values, dict) else {}


def connection_arguments(params):
    arguments = []
    if params['interface'] is not None:
        arguments.append('--interface=%s' % params['interface'])
    if params['baud'] is not None:
        arguments.append('--baud=%d' % params['baud'])
    if params['parity'] is not None:
        arguments.append('--parity=%s' % params['parity'])
    if params['lang'] is not None:
        arguments.append('--lang=%s' % params['lang'])
    if params['connect_timeout'] is not None:
        arguments.append('--connect-timeout=%s' % params['connect_timeout'])
    return arguments


def planned_runs(params, settings_profile):
    """The tool's commands for this task, in the order they run: (name, arguments)."""
    runs = []
    if settings_profile:
        runs.append(('set', ['--profile=%s' % settings_profile]))
    slot = ['--slot=%d' % params['slot']] if params['slot'] is not None else []
    if params['image']:
        dither = ['--dither'] if params['dither'] else []
        # "--" ends the options, so an image named "-x.png" stays a file name.
        runs.append(('download', slot + dither + ['--', params['image']]))
    if params['print_bitmap']:
        runs.append(('print-bitmap', slot))
    return runs


class Tool(object):
    def __init__(self, module, path, connection):
        self.module = module
        self.path = path
        self.connection = connection

    def run(self, command, arguments, dry_run):
        argv = [self.path, command] + self.connection + ['--json']
        if dry_run:
            argv.append('--dry-run')
        argv += arguments
        rc, out, err = self.module.run_command(argv, encoding='utf-8', errors='replace')
        try:
            outcome = json.loads(out) if out.strip() else {}
        except ValueError:
            outcome = {}
        if not isinstance(outcome, dict):
            outcome = {}
        outcome.setdefault('status', rc)
        outcome['command'] = command
        outcome['rc'] = rc
        outcome['stderr'] = err
        return outcome


def tool_message(outcome):
    """What the tool said about a run that did not end well."""
    texts = []
    if outcome.get('error'):
        texts.append(outcome['error'])
    texts += [line for line in outcome.get('lines') or [] if line]
    if not texts:
        texts += [line.strip() for line in outcome.get('stderr', '').splitlines() if line.strip()]
    if not texts:
        texts.append(STATUS_TEXTS.get(outcome['rc'], 'exit status %d' % outcome['rc']))
    return '; '.join(texts)


def sends_anything(outcome):
    """Whether a dry run's writes hold a setting, an image or a print, not just an empty frame."""
    if outcome['command'] != 'set':
        return True
    if 'settings' in outcome:
        return len(outcome['settings']) > 0
    # A set run without any setting writes the opening and the closing frame command only.
    return len(outcome.get('writes') or []) > 2


def run_entry(outcome):
    return {
        'command': outcome['command'],
        'status': outcome['rc'],
        'messages': outcome.get('messages') or ([outcome['error']] if outcome.get('error') else []),
    }


def main():
    module = AnsibleModule(
        argument_spec=dict(
            interface=dict(type='str', aliases=['i']),
            lang=dict(type='str', choices=['zh', 'en']),
            baud=dict(type='int'),
            parity=dict(type='str', choices=['none', 'odd', 'even']),
            connect_timeout=dict(type='float'),
            settings=dict(type='dict', default={}, no_log=password_in_settings()),
            profile=dict(type='path'),
            image=dict(type='path'),
            slot=dict(type='int'),
            dither=dict(type='bool', default=False),
            print_bitmap=dict(type='bool', default=False),
            vantrel_path=dict(type='path'),
            bt_password=dict(type='str', no_log=True),
        ),
        required_by=dict(image='slot'),
        required_if=[('print_bitmap', True, ['slot'])],
        supports_check_mode=True,
    )
    params = module.params
    result = dict(changed=False, results=[], lines=[], runs=[], status=0)

    settings, problem = setting_values(params['settings'] or {})
    if problem:
        module.fail_json(msg=problem, **result)
    if params['bt_password'] is not None:
        settings[PASSWORD_SETTING] = params['bt_password']

    path = params['vantrel_path'] or module.get_bin_path('vantrel', required=True)
    tool = Tool(module, path, connection_arguments(params))

    # One profile for the tool: the task's profile file, checked by the tool itself first, with
    # the settings (which win) over it.
    settings_profile = None
    if params['profile']:
        outcome = tool.run('set', ['--profile=%s' % params['profile']], dry_run=True)
        if outcome['rc'] != 0:
            result['status'] = outcome['rc']
            result['runs'].append(run_entry(outcome))
            module.fail_json(msg=tool_message(outcome), **result)
        values = read_profile(params['profile'])
        values.update(settings)
        settings_profile = profile_file(module, values)
    elif settings:
        settings_profile = profile_file(module, settings)

    # Every run is checked first without opening anything, so that a bad value of a later run
    # (an image after the settings) stops the task before the printer has been sent anything.
    plans = []
    for command, arguments in planned_runs(params, settings_profile):
        outcome = tool.run(command, arguments, dry_run=True)
        if outcome['rc'] != 0:
            result['status'] = outcome['rc']
            result['runs'].append(run_entry(outcome))
            module.fail_json(msg=tool_message(outcome), **result)
        if sends_anything(outcome):
            plans.append((command, arguments, outcome))

    if module.check_mode:
        result['writes'] = []
        for command, arguments, outcome in plans:
            result['results'] += outcome.get('settings') or []
            result['writes'] += blank_password(outcome.get('writes') or [])
            result['runs'].append(run_entry(outcome))
            result['target'] = outcome.get('target')
        result['changed'] = len(plans) > 0
        module.exit_json(**result)

    for command, arguments, _ in plans:
        outcome = tool.run(command, arguments, dry_run=False)
        result['runs'].append(run_entry(outcome))
        result['results'] += outcome.get('settings') or []
        result['lines'] += outcome.get('lines') or []
        result['target'] = outcome.get('target', result.get('target'))
        result['status'] = max(result['status'], outcome['rc'])
        # Exit status 4: the connection did not open and nothing went out; 2 and 3 cannot come
        # after a clean dry run unless a file changed in between, and also stop before opening.
        if outcome['rc'] in (0, 1):
            result['changed'] = True
        failed = [entry for entry in outcome.get('settings') or []
                  if entry.get('outcome') == 'failed']
        if outcome['rc'] != 0 or failed:
            module.fail_json(msg=tool_message(outcome), **result)

    module.exit_json(**result)


if __name__ == '__main__':
    main()
