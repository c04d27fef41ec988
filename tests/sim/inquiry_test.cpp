#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "sim/session.h"

namespace vantrel::sim {
namespace {

Bytes Answers(const FeedResult& result) {
  Bytes all;
  for (const Reply& reply : result.replies)
    all.insert(all.end(), reply.bytes.begin(), reply.bytes.end());
  return all;
}

// The printer's side of the status questions, over a channel that answers no setting (TCP).
class Questions : public testing::Test {
 protected:
  Questions()
      : dir_(std::filesystem::temp_directory_path() / "vantrel-sim-test-questions"),
        recorder_(dir_, false, console_, &EscapeNonAscii),
        printer_(SerialLine{}),
        session_(ChannelOptions{"tcp", false, Fault{}, false, nullptr, &face_}, printer_,
                 recorder_) {}
  ~Questions() override { std::filesystem::remove_all(dir_); }

  PrinterFace face_{Condition::PaperNearEnd, "ACME", "TM-9", "1.0"};
  std::filesystem::path dir_;
  std::ostringstream console_;
  Recorder recorder_;
  Printer printer_;
  Session session_;
};

TEST_F(Questions, AStatusRequestCutAcrossChunksIsAnsweredWhenWhole) {
  EXPECT_TRUE(session_.Feed(Bytes{0x10}).replies.empty());
  EXPECT_TRUE(session_.Feed(Bytes{0x04}).replies.empty());
  EXPECT_EQ(Answers(session_.Feed(Bytes{0x04, 0x10, 0x04, 0x01})), (Bytes{0x1E, 0x12}));
  EXPECT_EQ(Answers(session_.Feed(Bytes{0x1D, 'I', 67})), (Bytes{0x5F, 'T', 'M', '-', '9', 0}));
}

// Inside image data the bytes of a question are image data: nothing is answered (a download's
// raster may hold them anywhere, and an answer there would be taken for a setting's).
TEST_F(Questions, InsideImageDataNothingIsAnswered) {
  // GS v 0: raster image, 3 bytes a row, 2 rows.
  const Bytes head{0x1D, 'v', '0', 0, 3, 0, 2, 0};
  EXPECT_TRUE(session_.Feed(head).replies.empty());
  EXPECT_TRUE(session_.Feed(Bytes{0x10, 0x04, 0x01, 0x1D, 'I', 67}).replies.empty());
  // The image took all six bytes: what follows is a command again.
  EXPECT_EQ(Answers(session_.Feed(Bytes{0x10, 0x04, 0x02})), (Bytes{0x12}));
}

// A command whose last byte is 0x10 (a code table, a value) is whole at once: the byte is not
// held back as the start of a question.
TEST_F(Questions, AValueByteThatOpensAQuestionEndsItsCommandAtOnce) {
  session_.Feed(Bytes{0x1B, 't', 0x10});
  EXPECT_NE(console_.str().find("[1B 74 10]"), std::string::npos) << console_.str();
}

}  // namespace
}  // namespace vantrel::sim
