// The listing harvest against a pipeline of standard tools doing the same
// work per page (curl | iconv | pcre2grep), both reading 99 listing pages
// from a server on 127.0.0.1 in this process; then the cost of matching the
// default page pattern over a 1 MB and a 10 MB page.
//
// The harvest runs in a child process (this program with --harvest-child),
// so that its peak resident memory is its own and not the server's.
//
// Exit status: 0 when every target is met, 1 when one is missed, 2 when a
// measurement could not be made or the two sides disagree on the matches.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_state.h"
#include "bench/harvest_pages.h"
#include "bench/harvest_process.h"
#include "harvest/listing_harvest.h"
#include "harvest/regex_object.h"
#include "platform/encoding.h"
#include "platform/page_fetch.h"
#include "text/text_search.h"
#include "tests/support/fake_toolkit.h"
#include "tests/support/loopback_server.h"

namespace sfx::bench {
namespace {

// The default page range of the main window.
constexpr int kFirstPage = 1;
constexpr int kLastPage = 99;
// Runs of each side; the best is kept, as the machine is shared and noisy.
constexpr int kRuns = 3;
constexpr int kRegexRuns = 5;
// Targets: the harvest at most half the pipeline's time, under 100 MB of
// memory, and matching cost growing linearly with the page (10 MB at most
// 12 times 1 MB, which leaves room for cache effects).
constexpr double kMaxTimeRatio = 0.5;
constexpr double kMaxResidentMb = 100.0;
constexpr double kMaxRegexGrowth = 12.0;
constexpr std::size_t kSmallRegexPage = std::size_t{1} << 20;
constexpr std::size_t kLargeRegexPage = std::size_t{10} << 20;

constexpr std::string_view kChildFlag = "--harvest-child";
constexpr std::string_view kQuoteMarker = "#引号";

// curl -0 sends HTTP/1.0 as the harvest does; --noproxy keeps it direct.
constexpr const char* kPipelineScript =
    "pattern=$1; agent=$2; shift 2\n"
    "for url in \"$@\"; do\n"
    "  curl -s -0 --noproxy '*' -A \"$agent\" \"$url\" | iconv -f UTF-8 -t GB18030 |\n"
    "    pcre2grep -i -M -o1 -o2 --om-separator=' ' -- \"$pattern\"\n"
    "done | wc -l\n";

double megabytes(double bytes) { return bytes / (1024.0 * 1024.0); }

const char* verdict(bool met) { return met ? "PASS" : "FAIL"; }

// The default pattern with its quote markers read as quotes: plain ASCII,
// the same bytes in GB18030 and UTF-8.
std::string pipelinePattern() {
  return replaceText(programText(kDefaultPagePatternUtf8), programText(kQuoteMarker), "\"");
}

// --- the child: one harvest through the core, as the parse button runs it ---

int runHarvestChild(const std::string& linkUtf8) {
  test::FakeToolkit ui;
  AppState state;
  ui.edits[EditBox::Link] = programText(linkUtf8);
  ui.edits[EditBox::PageVariable] = programText("0_0_1");
  ui.edits[EditBox::StartPage] = std::to_string(kFirstPage);
  ui.edits[EditBox::EndPage] = std::to_string(kLastPage);
  ui.edits[EditBox::PagePattern] = programText(kDefaultPagePatternUtf8);
  HarvestContext context{ui, state, [](std::string_view url) { return fetchPageText(url); }};

  const auto start = std::chrono::steady_clock::now();
  onParseClick(context);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  // One message ("解析完成！") is expected; any other is a page that failed.
  std::printf("%d %.6f %ld %zu\n", ui.rowCount(), seconds, peakResidentKb(), ui.messages.size());
  return 0;
}

// --- the parent: server, both sides, figures ---

struct HarvestRun {
  bool ok = false;
  int rows = 0;
  double seconds = 0.0;
  double residentMb = 0.0;
  std::size_t messages = 0;
};

HarvestRun harvestInChild(const std::string& selfPath, const std::string& link) {
  const ProcessRun run = runProcess({selfPath, std::string(kChildFlag), link});
  HarvestRun result;
  long maxRssKb = 0;
  std::istringstream figures(run.output);
  if (run.exitCode == 0 && figures >> result.rows >> result.seconds >> maxRssKb >> result.messages && maxRssKb >= 0) {
    result.ok = true;
    result.residentMb = maxRssKb / 1024.0;
  }
  return result;
}

struct PipelineRun {
  bool ok = false;
  int matches = 0;
  double seconds = 0.0;
};

PipelineRun pipelineOnce(const std::vector<std::string>& urls) {
  std::vector<std::string> argv = {"sh", "-c", kPipelineScript, "sh", pipelinePattern(),
                                   "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)"};
  argv.insert(argv.end(), urls.begin(), urls.end());
  const ProcessRun run = runProcess(argv);
  PipelineRun result;
  std::istringstream count(run.output);
  result.ok = run.exitCode == 0 && static_cast<bool>(count >> result.matches);
  result.seconds = run.seconds;
  return result;
}

bool toolsPresent() {
  const ProcessRun run = runProcess({"sh", "-c", "command -v curl && command -v iconv && command -v pcre2grep"});
  return run.exitCode == 0;
}

struct RegexRun {
  double seconds = std::numeric_limits<double>::max();
  std::int32_t matches = 0;
};

RegexRun timeRegexCreate(std::size_t pageBytes) {
  const std::string page = utf8ToGb18030(listingPageUtf8(1, pageBytes)).text;
  const std::string pattern = programText(kDefaultPagePatternUtf8);
  RegexRun best;
  for (int run = 0; run < kRegexRuns; ++run) {
    RegexObject regex;
    const auto start = std::chrono::steady_clock::now();
    const bool created = regex.create(pattern, page, /*caseSensitive=*/false, /*multiLine=*/false,
                                      /*globalMatch=*/true, /*quoteMarker=*/true);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    best.seconds = std::min(best.seconds, seconds);
    best.matches = created ? regex.matchCount() : -1;
  }
  std::printf("  ListingPage_%zuMB: %.2f ms, %d matches (%d expected), %.1f MB/s\n", pageBytes >> 20,
              best.seconds * 1e3, best.matches, soundsOnPage(pageBytes), megabytes(double(page.size())) / best.seconds);
  return best;
}

int runBenchmark(const std::string& selfPath) {
  int status = 0;
  std::vector<std::string> pages;
  for (int page = kFirstPage; page <= kLastPage; ++page) pages.push_back(listingPageUtf8(page, kListingPageBytes));

  test::LoopbackServer server;
  server.http().Get(R"(/yinxiao/m101/zonghe_0_0_0_0_0_0_(\d+)\.html)",
                    [&pages](const httplib::Request& request, httplib::Response& response) {
                      const int page = std::stoi(request.matches[1]);
                      if (page < kFirstPage || page > kLastPage) {
                        response.status = 404;
                        return;
                      }
                      response.set_content(pages[page - kFirstPage], "text/html; charset=utf-8");
                    });
  server.start();
  std::vector<std::string> urls;
  for (int page = kFirstPage; page <= kLastPage; ++page) urls.push_back(server.url(listingPagePath(page)));
  const std::string link = server.url(listingPagePath(1));
  const int expectedRows = (kLastPage - kFirstPage + 1) * kSoundsPerListingPage;
  std::size_t totalBytes = 0;
  for (const std::string& page : pages) totalBytes += page.size();

  std::printf("Harvest of %d listing pages (%.0f KB, %d sounds each) from 127.0.0.1, best of %d runs\n",
              kLastPage - kFirstPage + 1, totalBytes / 1024.0 / pages.size(), kSoundsPerListingPage, kRuns);
  if (!toolsPresent()) {
    std::printf("  reference pipeline: curl, iconv or pcre2grep missing (Debian: curl, libc-bin, pcre2-utils)\n");
    return 2;
  }

  PipelineRun pipeline{true, 0, std::numeric_limits<double>::max()};
  HarvestRun harvest{true, 0, std::numeric_limits<double>::max(), 0.0, 0};
  for (int run = 0; run < kRuns; ++run) {
    const PipelineRun p = pipelineOnce(urls);
    pipeline.ok = pipeline.ok && p.ok;
    pipeline.matches = p.matches;
    pipeline.seconds = std::min(pipeline.seconds, p.seconds);
    const HarvestRun h = harvestInChild(selfPath, link);
    harvest.ok = harvest.ok && h.ok;
    harvest.rows = h.rows;
    harvest.messages = h.messages;
    harvest.seconds = std::min(harvest.seconds, h.seconds);
    harvest.residentMb = std::max(harvest.residentMb, h.residentMb);
  }
  if (!pipeline.ok || !harvest.ok) {
    std::printf("  a run failed (pipeline %s, harvest %s)\n", pipeline.ok ? "ok" : "failed",
                harvest.ok ? "ok" : "failed");
    return 2;
  }
  std::printf("  reference pipeline (curl | iconv | pcre2grep): %.3f s, %d matches\n", pipeline.seconds,
              pipeline.matches);
  std::printf("  harvest (onParseClick, fetchPageText):         %.3f s, %d rows, %zu message(s), %.1f MB/s\n",
              harvest.seconds, harvest.rows, harvest.messages, megabytes(double(totalBytes)) / harvest.seconds);
  if (harvest.rows != expectedRows || pipeline.matches != expectedRows || harvest.messages != 1) {
    std::printf("  MISMATCH: %d rows expected from each side and one message\n", expectedRows);
    status = 2;
  }
  const double ratio = harvest.seconds / pipeline.seconds;
  std::printf("  ratio harvest / pipeline: %.3f (target <= %.1f) %s\n", ratio, kMaxTimeRatio,
              verdict(ratio <= kMaxTimeRatio));
  std::printf("  harvest peak resident memory: %.1f MB (target < %.0f MB) %s\n", harvest.residentMb, kMaxResidentMb,
              verdict(harvest.residentMb < kMaxResidentMb));
  if (status == 0 && (ratio > kMaxTimeRatio || harvest.residentMb >= kMaxResidentMb)) status = 1;

  std::printf("RegexObject create, default page pattern, best of %d runs\n", kRegexRuns);
  const RegexRun small = timeRegexCreate(kSmallRegexPage);
  const RegexRun large = timeRegexCreate(kLargeRegexPage);
  const double growth = large.seconds / small.seconds;
  std::printf("  ratio 10 MB / 1 MB: %.2f (target <= %.0f) %s\n", growth, kMaxRegexGrowth,
              verdict(growth <= kMaxRegexGrowth));
  if (small.matches != soundsOnPage(kSmallRegexPage) || large.matches != soundsOnPage(kLargeRegexPage)) {
    std::printf("  MISMATCH: not every sound matched\n");
    status = 2;
  }
  if (status == 0 && growth > kMaxRegexGrowth) status = 1;
  return status;
}

}  // namespace
}  // namespace sfx::bench

int main(int argc, char** argv) {
  if (argc == 3 && argv[1] == sfx::bench::kChildFlag) return sfx::bench::runHarvestChild(argv[2]);
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  return sfx::bench::runBenchmark(error ? std::string(argv[0]) : self.string());
}
