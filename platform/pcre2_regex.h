// A compiled regular expression over UTF-8 text, on PCRE2 with JIT, set up
// to give the matches of the JavaScript-like dialect the program's patterns
// are written in: "." matches anything but a line feed (a carriage return
// included, so CRLF pages match like LF pages), "$" without multi-line mode
// only at the very end, "\uHHHH" and "\xHH" escapes, a back-reference to an
// unset group matching the empty text, "[^]" matching any character, and
// \s, \w, \d keeping to ASCII. "\C" (one byte of a character) is rejected.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct pcre2_real_code_8;

namespace sfx {

enum class RegexError {
  Ok = 0,
  BadPattern,     // the pattern did not compile; see errorOffset()
  BadSubject,     // the subject is not valid UTF-8
  MatchLimit,     // a search backtracked too long (a catastrophic pattern)
  DepthLimit,     // a search nested too deep or needed too much memory
  JitStackLimit,  // a search outgrew the JIT stack
  OutOfMemory,
  Internal,       // any other failure of the engine
};

[[nodiscard]] const char* toString(RegexError error);

struct RegexOptions {
  bool ignoreCase = false;
  bool multiLine = false;  // "^" and "$" also at line feeds
};

enum class MatchScope {
  First,  // the leftmost match only
  All,    // every match, left to right, without overlap
};

// Byte offsets into the subject of one group of one match.
struct GroupSpan {
  static constexpr std::size_t kUnset = static_cast<std::size_t>(-1);
  std::size_t begin = kUnset;  // kUnset for a group that took no part
  std::size_t end = kUnset;

  [[nodiscard]] bool isSet() const { return begin != kUnset; }
  [[nodiscard]] std::size_t length() const { return isSet() ? end - begin : 0; }
};

// The matches of one search. Each match has groupsPerMatch spans: the whole
// match first, then the capturing groups in the order of their opening
// parentheses.
struct MatchList {
  RegexError error = RegexError::Ok;  // not Ok: the search failed and `spans` is empty
  std::size_t groupsPerMatch = 1;
  std::vector<GroupSpan> spans;

  [[nodiscard]] std::size_t count() const { return spans.size() / groupsPerMatch; }
  // group 0 is the whole match; the match and group must exist.
  [[nodiscard]] const GroupSpan& group(std::size_t match, std::size_t group) const {
    return spans[match * groupsPerMatch + group];
  }
};

class Pcre2Regex {
 public:
  // Never throws: a pattern that does not compile gives !ok().
  Pcre2Regex(std::string_view utf8Pattern, RegexOptions options);
  ~Pcre2Regex();

  // Not copyable: the object owns its compiled code and frees it once; copying
  // the code would mean another JIT compilation for no user of this program.
  Pcre2Regex(const Pcre2Regex&) = delete;
  Pcre2Regex& operator=(const Pcre2Regex&) = delete;

  [[nodiscard]] bool ok() const { return error_ == RegexError::Ok; }
  [[nodiscard]] RegexError error() const { return error_; }
  // Byte offset into the pattern where compilation failed; 0 when ok().
  [[nodiscard]] std::size_t errorOffset() const { return errorOffset_; }
  // PCRE2's own message for a compile failure, for people; empty when ok().
  [[nodiscard]] const std::string& errorDetail() const { return errorDetail_; }
  // Capturing groups of the pattern; 0 when !ok().
  [[nodiscard]] std::size_t groupCount() const { return groupCount_; }

  // Searches a UTF-8 subject. After an empty match the next search starts
  // one character further on. A failure of any search fails the whole call.
  [[nodiscard]] MatchList findMatches(std::string_view utf8Subject, MatchScope scope) const;

 private:
  pcre2_real_code_8* code_ = nullptr;
  RegexError error_ = RegexError::Ok;
  std::size_t errorOffset_ = 0;
  std::string errorDetail_;
  std::size_t groupCount_ = 0;
};

}  // namespace sfx
