#include "bench/harvest_pages.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace sfx::bench {
namespace {

constexpr std::size_t kBytesPerSound = kListingPageBytes / kSoundsPerListingPage;

constexpr std::array<std::string_view, 16> kWords = {
    "雨声", "雷鸣", "海浪", "鸟叫", "风声", "脚步", "关门", "汽车",
    "钟声", "掌声", "爆炸", "流水", "键盘", "欢呼", "马蹄", "心跳",
};
constexpr std::array<std::string_view, 8> kPhrases = {
    "适用于影视后期、短视频配乐与游戏开发，",
    "高品质无损录制，声音清晰自然，",
    "可免费下载用于个人学习与交流，",
    "真实环境采集，层次丰富，细节饱满，",
    "经过降噪与均衡处理，直接可用，",
    "常用于广告片头、转场与氛围烘托，",
    "支持在线试听，点击播放按钮即可预览，",
    "素材来源于网友上传，如有侵权请联系删除。",
};

// Deterministic variety without <random>: the same pages on every run.
struct Lcg {
  std::uint32_t state;
  std::uint32_t next() { return state = state * 1664525u + 1013904223u; }
  std::string_view word() { return kWords[(next() >> 16) % kWords.size()]; }
  std::string_view phrase() { return kPhrases[(next() >> 16) % kPhrases.size()]; }
};

void appendSound(std::string& page, int id, Lcg& lcg) {
  const std::size_t start = page.size();
  const std::string idText = std::to_string(id);
  const std::string title = std::string(lcg.word()) + std::string(lcg.word()) + "音效 " + idText;
  page += "<li class=\"sound-item\">\n";
  page += "<div class=\"pic\"><img src=\"//img.example.test/yinxiao/" + idText + ".jpg\" alt=\"" + title + "\"></div>\n";
  page += "<a  class='title' target=\"_blank\" href=\"/yinxiao/" + idText + ".html\">" + title + "</a>\n";
  page += "<p class=\"info\">分类：" + std::string(lcg.word()) + " | 格式：MP3 | 时长：00:" +
          std::to_string(10 + id % 50) + " | 大小：" + std::to_string(100 + id % 900) + "KB</p>\n";
  // The description fills the sound's share of the page, so that the
  // stretch between title and audio is as long as on the real site.
  const std::string tail = "<div class=\"player\"><audio controls preload=\"none\"><source src=\"//sc.example.test/yinxiao/" +
                           idText + ".mp3\" type=\"audio/mpeg\"></audio></div>\n</li>\n";
  page += "<div class=\"desc\">\n";
  while (page.size() - start + tail.size() + 8 < kBytesPerSound) {
    page += "<p>";
    for (int i = 0; i < 4; ++i) page += lcg.phrase();
    page += "</p>\n";
  }
  page += "</div>\n";
  page += tail;
}

}  // namespace

std::string listingPagePath(int page) {
  return "/yinxiao/m101/zonghe_0_0_0_0_0_0_" + std::to_string(page) + ".html";
}

int soundsOnPage(std::size_t bytes) { return static_cast<int>(bytes / kBytesPerSound); }

std::string listingPageUtf8(int page, std::size_t bytes) {
  Lcg lcg{static_cast<std::uint32_t>(page)};
  std::string html;
  html.reserve(bytes + kBytesPerSound);
  html += "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>综合音效 第" + std::to_string(page) +
          "页 - 音效下载</title>\n</head>\n<body>\n<ul class=\"sound-list\">\n";
  const int sounds = soundsOnPage(bytes);
  for (int i = 0; i < sounds; ++i) appendSound(html, page * 10000 + i, lcg);
  html += "</ul>\n<div class=\"pages\"><a href=\"" + listingPagePath(page + 1) + "\">下一页</a></div>\n</body>\n</html>\n";
  return html;
}

std::string compactListingPageUtf8(int sounds) {
  std::string html = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n</head>\n<body>\n<ul>\n";
  for (int i = 0; i < sounds; ++i) {
    const std::string id = std::to_string(i);
    html += "<li><a  class='title' target=\"_blank\" href=\"/yinxiao/" + id + ".html\">音效 " + id +
            "</a>\n<audio controls><source src=\"//sc.example.test/yinxiao/" + id +
            ".mp3\" type=\"audio/mpeg\"></audio></li>\n";
  }
  return html + "</ul>\n</body>\n</html>\n";
}

}  // namespace sfx::bench
