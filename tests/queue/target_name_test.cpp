#include "queue/target_name.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/encoding.h"

namespace sfx {
namespace {

std::string repeated(std::string_view piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

struct Case {
  std::string name;
  std::string folder;  // program texts, like everything the queue reads from the list
  std::string title;
  std::string url;
  std::string fileName;
  std::string extension;
  std::string targetPath;
};

std::vector<Case> cases() {
  const std::string cjk300 = repeated(programText("声"), 100);  // 300 bytes as UTF-8
  const std::string cjk83 = repeated(programText("声"), 83);    // 249 bytes: 83 whole characters fit 251
  return {
      {"last segment", "/s", "rain", "http://h.com/dir.v2/rain.mp3", "rain.mp3", ".mp3", "/s/rain.mp3"},
      {"Chinese title", "/s/", programText("雨声"), "http://h.com/a/b.wav", "b.wav", ".wav",
       "/s/" + programText("雨声") + ".wav"},
      {"last dot only", "/s", "t", "http://h/a/x.tar.gz", "x.tar.gz", ".gz", "/s/t.gz"},
      {"no dot takes the whole segment", "/s", "t", "http://h/get/sound", "sound", "sound", "/s/tsound"},
      {"trailing slash", "/s", "t", "http://h/dir/", "", "", "/s/t"},
      {"no slash at all", "/s", "t", "rain.mp3", "rain.mp3", ".mp3", "/s/t.mp3"},
      {"host only: its dots are no extension", "/s", "t", "http://h.example.com", "", "", "/s/t"},
      {"query", "/s", "t", "http://h/a.mp3?x=1", "a.mp3", ".mp3", "/s/t.mp3"},
      {"query with a slash and dot", "/s", "t", "http://h/a.ogg?next=/b.mp3", "a.ogg", ".ogg", "/s/t.ogg"},
      {"fragment", "/s", "t", "http://h/a.mp3#part.2", "a.mp3", ".mp3", "/s/t.mp3"},
      {"fragment before a question mark", "/s", "t", "http://h/a.mp3#x?y", "a.mp3", ".mp3", "/s/t.mp3"},
      {"query on the host alone", "/s", "t", "http://h.com?f=a.mp3", "", "", "/s/t"},
      {"forbidden characters in the title", "/s", "a/b\\c:d*e?f\"g<h>i|j", "http://h/x.mp3", "x.mp3", ".mp3",
       "/s/a_b_c_d_e_f_g_h_i_j.mp3"},
      {"control characters in the title", "/s", std::string("a\tb\nc\x7f" "d\x01", 8), "http://h/x.mp3", "x.mp3",
       ".mp3", "/s/a_b_c_d_.mp3"},
      // U+0080, U+0085 and U+009F in their four-byte GB18030 forms; U+00A0 is no control character.
      {"C1 control characters in the title", "/s",
       std::string("a\x81\x30\x81\x30" "b\x81\x30\x81\x35" "c\x81\x30\x84\x31" "d\x81\x30\x84\x32"),
       "http://h/x.mp3", "x.mp3", ".mp3", std::string("/s/a_b_c_d\x81\x30\x84\x32.mp3")},
      {"forbidden characters in the extension", "/s", "t", "http://h/x.m*p\"3", "x.m*p\"3", ".m*p\"3",
       "/s/t.m_p_3"},
      {"backslash in the extension", "/s", "t", "http://h/x.a\\..\\b", "x.a\\..\\b", ".\\b", "/s/t._b"},
      {"title that climbs out", "/s", "../../etc/passwd", "http://h/x.mp3", "x.mp3", ".mp3",
       "/s/.._.._etc_passwd.mp3"},
      {"dot-dot title without extension", "/s", "..", "http://h/dir/", "", "", "/s/__"},
      {"dot title with a dot extension", "/s", ".", "http://h/a.", "a.", ".", "/s/__"},
      {"dot title alone", "/s", ".", "http://h/", "", "", "/s/_"},
      {"dot-dot title with an extension", "/s", "..", "http://h/x.mp3", "x.mp3", ".mp3", "/s/...mp3"},
      {"empty title and URL", "/s", "", "", "", "", "/s/_"},
      {"empty title", "/s", "", "http://h/x.mp3", "x.mp3", ".mp3", "/s/.mp3"},
      // GBK characters whose second byte is "\" (0x5C) or "|" (0x7C) are characters, not separators.
      {"CJK with backslash and bar trail bytes", "/s", programText("癨皘"), "http://h/x.mp3", "x.mp3", ".mp3",
       "/s/" + programText("癨皘") + ".mp3"},
      {"invalid GB18030 title", "/s", std::string("a\x81\x7f/b\xff"), "http://h/x.mp3", "x.mp3", ".mp3",
       "/s/a___b_.mp3"},
      {"title cut inside a four-byte sequence", "/s", std::string("t\x81\x30"), "http://h/x.mp3", "x.mp3", ".mp3",
       "/s/t_0.mp3"},
      {"long CJK title cut at a character", "/s", cjk300, "http://h/x.mp3", "x.mp3", ".mp3",
       "/s/" + cjk83 + ".mp3"},
      {"long extension cut, title dropped", "/s", "t", "http://h/a." + repeated("x", 300), "a." + repeated("x", 300),
       "." + repeated("x", 300), "/s/." + repeated("x", 254)},
      {"folder with trailing slash", "/s/", "t", "http://h/x.mp3", "x.mp3", ".mp3", "/s/t.mp3"},
      {"folder without trailing slash", "/s", "t", "http://h/x.mp3", "x.mp3", ".mp3", "/s/t.mp3"},
      {"Chinese folder", programText("/音效"), "t", "http://h/x.mp3", "x.mp3", ".mp3",
       programText("/音效") + "/t.mp3"},
      {"empty folder gives the name alone", "", "t", "http://h/x.mp3", "x.mp3", ".mp3", "t.mp3"},
  };
}

TEST(TargetNameTest, Table) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    const TargetName got = targetNameFor(c.folder, c.title, c.url);
    EXPECT_EQ(got.fileName, c.fileName);
    EXPECT_EQ(got.extension, c.extension);
    EXPECT_EQ(got.targetPath, c.targetPath);
  }
}

// Whatever the title and URL, the target is one name directly inside the
// folder, short enough for the file system.
TEST(TargetNameTest, TargetStaysInsideTheFolder) {
  const std::vector<std::string> titles = {
      "../x", "..", ".", "", "a/../../b", std::string("\x81/\xfe", 3), repeated(programText("声"), 200), "/", "//"};
  const std::vector<std::string> urls = {"", "http://h/", "http://h/../..", "http://h/a./", "http://h/a/..",
                                         "http://h/x.%2F..", "http://h/x." + repeated(programText("声"), 100)};
  for (const std::string& title : titles) {
    for (const std::string& url : urls) {
      SCOPED_TRACE("title " + title + " url " + url);
      const TargetName got = targetNameFor("/s", title, url);
      ASSERT_EQ(got.targetPath.rfind("/s/", 0), 0u);
      const ConvertResult name = gb18030ToUtf8(got.targetPath.substr(3));
      ASSERT_EQ(name.error, ConvertError::Ok);
      EXPECT_FALSE(name.text.empty());
      EXPECT_NE(name.text, ".");
      EXPECT_NE(name.text, "..");
      EXPECT_EQ(name.text.find('/'), std::string::npos);
      EXPECT_LE(name.text.size(), 255u);
    }
  }
}

}  // namespace
}  // namespace sfx
