#include "platform/pcre2_regex.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <cstdint>
#include <memory>

namespace sfx {
namespace {

// Steps of the engine one search may take (PCRE2's own default). The default
// patterns over a page of several megabytes stay far below it, a lazy run
// across a 3 MB gap included; a pattern with nested unlimited repeats such as
// "(a+)+$" reaches it within some 15 ms with JIT (0.1 s without), so it ends
// as a failed search instead of freezing the windows.
constexpr std::uint32_t kMatchLimit = 10'000'000;

// Nesting depth and backtracking memory of the interpreter, used only where
// JIT is unavailable: far above what the listing-page patterns need (their
// lazy runs do not nest, even across megabytes), well below what would
// exhaust the machine.
constexpr std::uint32_t kDepthLimit = 1'000'000;
constexpr std::uint32_t kHeapLimitKib = 256 * 1024;

// The JIT code's stack starts at PCRE2's default size and may grow to this
// (reserved address space, committed as used); PCRE2's documentation calls
// 1 MiB more than enough for any pattern, and group repeats over a long page
// are what use it.
constexpr std::size_t kJitStackStartBytes = 32 * 1024;
constexpr std::size_t kJitStackMaxBytes = 8 * 1024 * 1024;

// PCRE2_UTF: patterns and subjects are UTF-8. PCRE2_DOLLAR_ENDONLY: "$"
// without multi-line mode matches only at the very end, never before a final
// line feed. PCRE2_ALT_BSUX: "\uHHHH" and "\xHH" escapes, "\u" and "\x"
// alone are the letters. PCRE2_MATCH_UNSET_BACKREF: "\1" before group 1 has
// matched matches the empty text. PCRE2_ALLOW_EMPTY_CLASS: "[]" matches
// nothing and "[^]" any character. PCRE2_NEVER_BACKSLASH_C: "\C" matches a
// single byte, so a match could end inside a character and the next search,
// which skips the UTF-8 check, start there; the dialect has no such escape
// and such a pattern is rejected. No PCRE2_UCP: \s, \w, \d stay ASCII.
constexpr std::uint32_t kBaseCompileOptions = PCRE2_UTF | PCRE2_DOLLAR_ENDONLY | PCRE2_ALT_BSUX |
                                              PCRE2_MATCH_UNSET_BACKREF | PCRE2_ALLOW_EMPTY_CLASS |
                                              PCRE2_NEVER_BACKSLASH_C;

struct CompileContextFree {
  void operator()(pcre2_compile_context* p) const { pcre2_compile_context_free(p); }
};
struct MatchContextFree {
  void operator()(pcre2_match_context* p) const { pcre2_match_context_free(p); }
};
struct MatchDataFree {
  void operator()(pcre2_match_data* p) const { pcre2_match_data_free(p); }
};
struct JitStackFree {
  void operator()(pcre2_jit_stack* p) const { pcre2_jit_stack_free(p); }
};

RegexError matchErrorOf(int rc) {
  switch (rc) {
    case PCRE2_ERROR_MATCHLIMIT:
      return RegexError::MatchLimit;
    case PCRE2_ERROR_DEPTHLIMIT:
    case PCRE2_ERROR_HEAPLIMIT:
      return RegexError::DepthLimit;
    case PCRE2_ERROR_JIT_STACKLIMIT:
      return RegexError::JitStackLimit;
    case PCRE2_ERROR_NOMEMORY:
      return RegexError::OutOfMemory;
    default:
      break;
  }
  // The UTF-8 validity errors form one contiguous range of codes.
  if (rc <= PCRE2_ERROR_UTF8_ERR1 && rc >= PCRE2_ERROR_UTF8_ERR21) return RegexError::BadSubject;
  return RegexError::Internal;
}

std::size_t utf8CharLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  return 4;
}

}  // namespace

const char* toString(RegexError error) {
  switch (error) {
    case RegexError::Ok:
      return "ok";
    case RegexError::BadPattern:
      return "the pattern does not compile";
    case RegexError::BadSubject:
      return "the subject is not valid UTF-8";
    case RegexError::MatchLimit:
      return "match limit reached";
    case RegexError::DepthLimit:
      return "depth or memory limit reached";
    case RegexError::JitStackLimit:
      return "JIT stack exhausted";
    case RegexError::OutOfMemory:
      return "out of memory";
    case RegexError::Internal:
      return "internal regular-expression error";
  }
  return "unknown regular-expression error";
}

Pcre2Regex::Pcre2Regex(std::string_view utf8Pattern, RegexOptions options) {
  std::unique_ptr<pcre2_compile_context, CompileContextFree> context(pcre2_compile_context_create(nullptr));
  if (!context) {
    error_ = RegexError::OutOfMemory;
    return;
  }
  // LF alone ends a line: "." still matches a carriage return, so a page with
  // CRLF line ends gives the same matches as with LF.
  pcre2_set_newline(context.get(), PCRE2_NEWLINE_LF);

  std::uint32_t compileOptions = kBaseCompileOptions;
  if (options.ignoreCase) compileOptions |= PCRE2_CASELESS;
  if (options.multiLine) compileOptions |= PCRE2_MULTILINE;

  int errorCode = 0;
  PCRE2_SIZE offset = 0;
  static constexpr char kEmpty[] = "";
  const auto* pattern = reinterpret_cast<PCRE2_SPTR>(utf8Pattern.empty() ? kEmpty : utf8Pattern.data());
  code_ = pcre2_compile(pattern, utf8Pattern.size(), compileOptions, &errorCode, &offset, context.get());
  if (code_ == nullptr) {
    error_ = errorCode == PCRE2_ERROR_NOMEMORY ? RegexError::OutOfMemory : RegexError::BadPattern;
    errorOffset_ = offset;
    PCRE2_UCHAR message[256];
    if (pcre2_get_error_message(errorCode, message, sizeof message) > 0)
      errorDetail_ = reinterpret_cast<const char*>(message);
    return;
  }
  // Without JIT (an unsupported machine, or a pattern too big for it) the
  // interpreter gives the same matches, only slower.
  (void)pcre2_jit_compile(code_, PCRE2_JIT_COMPLETE);

  std::uint32_t captures = 0;
  pcre2_pattern_info(code_, PCRE2_INFO_CAPTURECOUNT, &captures);
  groupCount_ = captures;
}

Pcre2Regex::~Pcre2Regex() { pcre2_code_free(code_); }

MatchList Pcre2Regex::findMatches(std::string_view utf8Subject, MatchScope scope) const {
  MatchList result;
  result.groupsPerMatch = groupCount_ + 1;
  if (!ok()) {
    result.error = error_;
    return result;
  }
  auto fail = [&result](RegexError error) {
    result.error = error;
    result.spans.clear();
    return result;
  };

  std::unique_ptr<pcre2_match_context, MatchContextFree> context(pcre2_match_context_create(nullptr));
  std::unique_ptr<pcre2_match_data, MatchDataFree> data(pcre2_match_data_create_from_pattern(code_, nullptr));
  std::unique_ptr<pcre2_jit_stack, JitStackFree> jitStack(
      pcre2_jit_stack_create(kJitStackStartBytes, kJitStackMaxBytes, nullptr));
  if (!context || !data) return fail(RegexError::OutOfMemory);
  pcre2_set_match_limit(context.get(), kMatchLimit);
  pcre2_set_depth_limit(context.get(), kDepthLimit);
  pcre2_set_heap_limit(context.get(), kHeapLimitKib);
  // Without a stack of its own the JIT code keeps to its 32 KiB default.
  if (jitStack) pcre2_jit_stack_assign(context.get(), nullptr, jitStack.get());

  static constexpr char kEmpty[] = "";
  const auto* subject = reinterpret_cast<PCRE2_SPTR>(utf8Subject.empty() ? kEmpty : utf8Subject.data());
  const std::size_t length = utf8Subject.size();
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());

  std::size_t start = 0;
  // The first search checks the whole subject for valid UTF-8; checking again
  // from every later offset would make a page of many matches quadratic.
  std::uint32_t matchOptions = 0;
  for (;;) {
    const int rc = pcre2_match(code_, subject, length, start, matchOptions, data.get(), context.get());
    if (rc == PCRE2_ERROR_NOMATCH) break;
    if (rc < 0) return fail(matchErrorOf(rc));
    matchOptions = PCRE2_NO_UTF_CHECK;

    for (std::size_t g = 0; g < result.groupsPerMatch; ++g) {
      const bool set = g < static_cast<std::size_t>(rc) && ovector[2 * g] != PCRE2_UNSET;
      result.spans.push_back(set ? GroupSpan{ovector[2 * g], ovector[2 * g + 1]} : GroupSpan{});
    }
    if (scope == MatchScope::First) break;

    const std::size_t matchBegin = ovector[0];
    const std::size_t matchEnd = ovector[1];
    if (matchEnd > matchBegin) {
      start = matchEnd;
    } else {
      // An empty match: the next search starts one character further on.
      if (matchBegin >= length) break;
      start = matchBegin + utf8CharLength(static_cast<unsigned char>(utf8Subject[matchBegin]));
      if (start > length) start = length;
    }
  }
  return result;
}

}  // namespace sfx
