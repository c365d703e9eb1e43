// Answers of servers that misbehave, for the RawServer on 127.0.0.1: one
// that never answers or stops halfway, one that sends a byte at a time, one
// that resets the connection, one that redirects to itself, one with a
// megabyte of header lines, and bodies far larger than anything the server
// holds in memory.
// Every responder ends when the client goes away, when the server is being
// destroyed or after kHostileHoldLimit, so no test can hang on it.
#pragma once

#include <sys/socket.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>

#include "tests/platform/raw_server.h"

namespace sfx::test {

// Far longer than any shortened time-out of the tests, short enough that a
// test whose client never gives up still ends.
inline constexpr std::chrono::milliseconds kHostileHoldLimit{15000};
// About the piece a streaming responder sends at a time.
inline constexpr std::size_t kStreamPiece = 64 * 1024;

inline std::string toHex(std::size_t value) {
  char digits[2 * sizeof value];
  return {digits, std::to_chars(std::begin(digits), std::end(digits), value, 16).ptr};
}

inline std::string okHead(std::string_view fields = {}) {
  return "HTTP/1.1 200 OK\r\nConnection: close\r\n" + std::string(fields) + "\r\n";
}
inline std::string okHeadWithLength(std::size_t length) {
  return okHead("Content-Length: " + std::to_string(length) + "\r\n");
}

// Sends `bytes` and ends the connection in order: an answer cut short, when
// they promise more.
inline RawServer::Responder sendsAndCloses(std::string bytes) {
  return [bytes = std::move(bytes)](RawServer&, int fd, const std::string&) { sendAll(fd, bytes); };
}

// Sends `bytes` and then nothing more, with the connection kept open.
inline RawServer::Responder sendsAndFallsSilent(std::string bytes) {
  return [bytes = std::move(bytes)](RawServer& server, int fd, const std::string&) {
    if (sendAll(fd, bytes)) server.holdUntilStopped(kHostileHoldLimit);
  };
}

// Reads the request and stays silent.
inline RawServer::Responder neverAnswers() { return sendsAndFallsSilent({}); }

// Sends `head` at once, then the bytes of `unit` over and over, one byte
// per `interval`.
inline RawServer::Responder drips(std::string head, std::string unit, std::chrono::milliseconds interval) {
  return [head = std::move(head), unit = std::move(unit), interval](RawServer& server, int fd, const std::string&) {
    if (!sendAll(fd, head)) return;
    const auto deadline = std::chrono::steady_clock::now() + kHostileHoldLimit;
    for (std::size_t i = 0; std::chrono::steady_clock::now() < deadline; ++i) {
      if (server.holdUntilStopped(interval) || !sendAll(fd, std::string_view(&unit[i % unit.size()], 1))) return;
    }
  };
}

// Sends `bytes`, then resets the connection (SO_LINGER 0 makes the close
// send RST) instead of ending it in order.
inline RawServer::Responder resetsAfter(std::string bytes) {
  return [bytes = std::move(bytes)](RawServer&, int fd, const std::string&) {
    sendAll(fd, bytes);
    const linger abort{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  };
}

// Every request is sent to the same path again, on a new connection: the
// server closes each one, and says so.
inline RawServer::Responder redirectsToItself() {
  return [](RawServer&, int fd, const std::string& request) {
    const std::size_t start = request.find(' ') + 1;
    const std::string path = request.substr(start, request.find(' ', start) - start);
    sendAll(fd, "HTTP/1.1 302 Found\r\nConnection: close\r\nLocation: " + path + "\r\nContent-Length: 0\r\n\r\n");
  };
}

// A 200 answer whose header lines, each of an ordinary length, add up to
// `headerBytes`, then a body of two bytes.
inline RawServer::Responder manyHeaderLines(std::size_t headerBytes) {
  return [headerBytes](RawServer&, int fd, const std::string&) {
    if (!sendAll(fd, "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n")) return;
    const std::string value(100, 'v');
    std::size_t sent = 0;
    for (int n = 0; sent < headerBytes; ++n) {
      const std::string line = "X-Filler-" + std::to_string(n) + ": " + value + "\r\n";
      if (!sendAll(fd, line)) return;
      sent += line.size();
    }
    sendAll(fd, "\r\nok");
  };
}

// A body of `size` bytes made of `unit` over and over (the last copy cut
// short), sent with its Content-Length or in chunks without one, piece by
// piece: the server never holds it whole.
inline RawServer::Responder streams(std::string unit, std::size_t size, bool chunked) {
  return [unit = std::move(unit), size, chunked](RawServer&, int fd, const std::string&) {
    std::string piece;  // whole copies of the unit, so that every piece starts one
    for (std::size_t copies = std::max<std::size_t>(1, kStreamPiece / unit.size()); copies > 0; --copies) piece += unit;
    if (!sendAll(fd, chunked ? okHead("Transfer-Encoding: chunked\r\n") : okHeadWithLength(size))) return;
    for (std::size_t sent = 0; sent < size;) {
      const std::string_view part(piece.data(), std::min(piece.size(), size - sent));
      const bool ok = chunked ? sendAll(fd, toHex(part.size()) + "\r\n") && sendAll(fd, part) && sendAll(fd, "\r\n")
                              : sendAll(fd, part);
      if (!ok) return;
      sent += part.size();
    }
    if (chunked) sendAll(fd, "0\r\n\r\n");
  };
}

}  // namespace sfx::test
