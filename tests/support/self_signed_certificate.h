// A certificate for 127.0.0.1 that no authority signed, made fresh by the
// openssl command for a test's TLS server.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace sfx::test {

struct CertificateFiles {
  std::string certificate;  // PEM; also the bundle a client trusts to reach the server
  std::string key;          // PEM
};

// Runs a program with arguments, no shell, its output dropped; true when it
// exits with 0.
inline bool runQuietly(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  return rc == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Writes cert.pem and key.pem into `folder`; nothing when openssl failed.
inline std::optional<CertificateFiles> makeSelfSignedCertificate(const std::string& folder) {
  CertificateFiles files{folder + "/cert.pem", folder + "/key.pem"};
  // An elliptic-curve key: made in milliseconds, where RSA takes up to a second.
  if (!runQuietly({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
                   "-keyout", files.key, "-out", files.certificate, "-days", "2", "-subj", "/CN=127.0.0.1",
                   "-addext", "subjectAltName=IP:127.0.0.1"})) {
    return std::nullopt;
  }
  return files;
}

}  // namespace sfx::test
