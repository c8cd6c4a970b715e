// The window program's command line.
#include <gtest/gtest.h>

#include "command_line.h"
#include "latin1_text.h"

namespace {

TEST(WindowCommandLine, FilesHelpVersionAndWrongOptions) {
  WindowCommandLine c = parseWindowCommandLine({Q("a.mov"), Q("/videos"), Q("file:///tmp/b%20c.mp4"), Q("--"),
                                                Q("--d.mov")});
  EXPECT_EQ(c.files, QStringList({Q("a.mov"), Q("/videos"), Q("/tmp/b c.mp4"), Q("--d.mov")}));
  EXPECT_FALSE(c.help);
  EXPECT_TRUE(c.error.isEmpty());

  c = parseWindowCommandLine({Q("-h")});
  EXPECT_TRUE(c.help);
  c = parseWindowCommandLine({Q("x.mov"), Q("--version")});
  EXPECT_TRUE(c.version);
  c = parseWindowCommandLine({Q("--bogus"), Q("--help")});
  EXPECT_TRUE(c.help);  // answered even beside a wrong option
  EXPECT_EQ(c.error, Q("unknown option \"--bogus\" (see --help)"));
  EXPECT_TRUE(windowHelpText().contains(Q("--version")));
  EXPECT_TRUE(windowVersionText().startsWith(Q("Trevix MOV Video Converter ")));
}

}  // namespace
