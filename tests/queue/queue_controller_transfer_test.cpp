// The queue controller with the real engine against servers on 127.0.0.1:
// whole batches from the Download click to the end message, with the files
// they leave in the save folder.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "platform/curl_download.h"
#include "queue/queue_controller.h"
#include "tests/queue/queue_transfer_fixture.h"
#include "tests/support/loopback_server.h"
#include "tests/support/self_signed_certificate.h"
#include "tests/support/test_files.h"

namespace sfx {
namespace {

using namespace std::chrono_literals;
using test::bytesOf;
using test::Cells;
using test::files;
using test::LoopbackServer;
using test::makeTempFolder;
using test::P;
using test::QueueTransferTest;

TEST_F(QueueTransferTest, ThreeFilesInTurn) {
  const std::string rain = bytesOf(300000, 1), wind = bytesOf(1, 2), thunder = bytesOf(70000, 3);
  LoopbackServer& server = httpServer();
  serve(server, "/a/rain.mp3", rain);
  serve(server, "/b/wind.wav", wind);
  serve(server, "/c/thunder.mp3", thunder);
  server.start();
  startEngine();
  addRow(P("雨声"), server.url("/a/rain.mp3"));
  addRow(P("风声"), server.url("/b/wind.wav?x=1"));
  addRow(P("雷声"), server.url("/c/thunder.mp3#t"));

  controller->onDownloadClick();
  ASSERT_TRUE(runBatch());
  expectEndMessageOnly();
  for (int row = 0; row < 3; ++row) EXPECT_EQ(cells(row), (Cells{"100%", "-", P("完成")})) << row;
  EXPECT_EQ(savedFiles(), files({{"雨声.mp3", rain}, {"风声.wav", wind}, {"雷声.mp3", thunder}}));
}

TEST_F(QueueTransferTest, ProgressOfTheRunningRow) {
  const std::string body = bytesOf(200000, 4);
  LoopbackServer& server = httpServer();
  serveHeldBack(server, "/slow.mp3", body);
  server.start();
  startEngine();
  addRow("slow", server.url("/slow.mp3"));

  controller->onDownloadClick();
  ASSERT_TRUE(runTimers([this] { return ui.cellText(0, kColumnProgress) == "50.00%"; })) << cells(0)[0];
  EXPECT_TRUE(isDownloading(0));
  const std::string rate = ui.cellText(0, kColumnRate);
  EXPECT_TRUE(rate.ends_with("B/S") || rate.ends_with("B/S ")) << rate;
  EXPECT_EQ(ui.selectedRow, 0);
  EXPECT_EQ(period(TimerId::Progress), 1000);

  gate.open();
  ASSERT_TRUE(runBatch());
  EXPECT_EQ(cells(0), (Cells{"100%", "-", P("完成")}));
  EXPECT_EQ(savedFiles(), files({{"slow.mp3", body}}));
}

TEST_F(QueueTransferTest, FailedRowBetweenTwoGoodOnes) {
  const std::string first = bytesOf(5000, 5), last = bytesOf(6000, 6);
  LoopbackServer& server = httpServer();
  serve(server, "/first.mp3", first);
  serve(server, "/last.mp3", last);
  server.start();
  startEngine();
  addRow("first", server.url("/first.mp3"));
  addRow("missing", server.url("/missing.mp3"));  // 404
  addRow("last", server.url("/last.mp3"));

  controller->onDownloadClick();
  ASSERT_TRUE(runBatch());
  expectEndMessageOnly();
  EXPECT_EQ(cells(0), (Cells{"100%", "-", P("完成")}));
  EXPECT_EQ(ui.cellText(1, kColumnRate), "-");
  EXPECT_EQ(ui.cellText(1, kColumnState), P("失败"));
  EXPECT_FALSE(ui.rows[1].toolTip.empty());
  EXPECT_EQ(cells(2), (Cells{"100%", "-", P("完成")}));
  EXPECT_EQ(savedFiles(), files({{"first.mp3", first}, {"last.mp3", last}}));
}

TEST_F(QueueTransferTest, HttpsRowFromATrustedServer) {
  certFolder = makeTempFolder();
  const std::optional<test::CertificateFiles> made = test::makeSelfSignedCertificate(certFolder);
  ASSERT_TRUE(made) << "openssl could not make a certificate";
  const std::string body = bytesOf(40000, 7);
  servers.push_back(std::make_unique<LoopbackServer>(made->certificate, made->key));
  serve(*servers.back(), "/s.mp3", body);
  servers.back()->start();
  startEngine(made->certificate);
  addRow("secure", servers.back()->url("/s.mp3", "https"));

  controller->onDownloadClick();
  ASSERT_TRUE(runBatch());
  EXPECT_EQ(cells(0), (Cells{"100%", "-", P("完成")})) << ui.rows[0].toolTip;
  EXPECT_EQ(savedFiles(), files({{"secure.mp3", body}}));
}

TEST_F(QueueTransferTest, RefusedRowsFailAtOnce) {
  const std::string body = bytesOf(1000, 8);
  LoopbackServer& server = httpServer();
  serve(server, "/ok.mp3", body);
  server.start();
  startEngine();
  addRow("empty", "");
  addRow("no host", "http:///x.mp3");
  addRow("unknown scheme", "gopher://127.0.0.1/x.mp3");
  addRow("ok", server.url("/ok.mp3"));

  controller->onDownloadClick();
  ASSERT_TRUE(runBatch());
  expectEndMessageOnly();
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(cells(row), (Cells{"", "-", P("失败")})) << row;
    EXPECT_FALSE(ui.rows[row].toolTip.empty()) << row;
  }
  EXPECT_EQ(cells(3), (Cells{"100%", "-", P("完成")}));
  EXPECT_EQ(savedFiles(), files({{"ok.mp3", body}}));
}

TEST_F(QueueTransferTest, SameTitleTwiceKeepsBothFiles) {
  const std::string a = bytesOf(3000, 9), b = bytesOf(4000, 10);
  LoopbackServer& server = httpServer();
  serve(server, "/a.mp3", a);
  serve(server, "/b.mp3", b);
  server.start();
  startEngine();
  addRow("t", server.url("/a.mp3"));
  addRow("t", server.url("/b.mp3"));

  controller->onDownloadClick();
  ASSERT_TRUE(runBatch());
  EXPECT_EQ(cells(0), (Cells{"100%", "-", P("完成")}));
  EXPECT_EQ(cells(1), (Cells{"100%", "-", P("完成")}));
  EXPECT_EQ(savedFiles(), files({{"t.mp3", a}, {"t(1).mp3", b}}));
}

TEST_F(QueueTransferTest, ClearingTheListEndsTheBatch) {
  const std::string slow = bytesOf(100000, 11);
  LoopbackServer& server = httpServer();
  serveHeldBack(server, "/slow.mp3", slow);
  serve(server, "/b.mp3", "b");
  serve(server, "/c.mp3", "c");
  server.start();
  startEngine();
  addRow("slow", server.url("/slow.mp3"));
  addRow("b", server.url("/b.mp3"));
  addRow("c", server.url("/c.mp3"));

  controller->onDownloadClick();
  ASSERT_TRUE(runTimers([this] { return isDownloading(0); }));
  ui.deleteAllRows();
  gate.open();
  ASSERT_TRUE(runBatch());
  expectEndMessageOnly();
  EXPECT_EQ(hits.at("/b.mp3"), 0);
  EXPECT_EQ(hits.at("/c.mp3"), 0);
  EXPECT_EQ(savedFiles(), files({{"slow.mp3", slow}}));
}

TEST_F(QueueTransferTest, SecondClickDuringATransferStartsOver) {
  const std::string slow = bytesOf(100000, 12), b = bytesOf(2000, 13);
  LoopbackServer& server = httpServer();
  serveHeldBack(server, "/slow.mp3", slow);
  serve(server, "/b.mp3", b);
  server.start();
  startEngine();
  addRow("slow", server.url("/slow.mp3"));
  addRow("b", server.url("/b.mp3"));

  controller->onDownloadClick();
  ASSERT_TRUE(runTimers([this] { return isDownloading(0); }));
  controller->onDownloadClick();
  gate.open();
  ASSERT_TRUE(runBatch());
  expectEndMessageOnly();
  EXPECT_EQ(hits.at("/slow.mp3"), 2);  // row 1 of the new batch fetched for real
  EXPECT_EQ(hits.at("/b.mp3"), 1);
  EXPECT_EQ(cells(0), (Cells{"100%", "-", P("完成")}));
  EXPECT_EQ(cells(1), (Cells{"100%", "-", P("完成")}));
  EXPECT_EQ(savedFiles(), files({{"slow.mp3", slow}, {"slow(1).mp3", slow}, {"b.mp3", b}}));
}

TEST_F(QueueTransferTest, RowsAddedDuringATransferAreNotPartOfIt) {
  const std::string slow = bytesOf(100000, 14);
  LoopbackServer& server = httpServer();
  serveHeldBack(server, "/slow.mp3", slow);
  serve(server, "/added.mp3", "added");
  server.start();
  startEngine();
  addRow("slow", server.url("/slow.mp3"));

  controller->onDownloadClick();
  ASSERT_TRUE(runTimers([this] { return isDownloading(0); }));
  const int added = addRow("added", server.url("/added.mp3"));
  ASSERT_TRUE(runTimers([this] { return ui.cellText(0, kColumnProgress) == "50.00%"; }));
  gate.open();
  ASSERT_TRUE(runBatch());
  expectEndMessageOnly();
  EXPECT_EQ(cells(0), (Cells{"100%", "-", P("完成")}));
  EXPECT_EQ(cells(added), (Cells{"", "", ""}));
  EXPECT_EQ(hits.at("/added.mp3"), 0);
}

TEST_F(QueueTransferTest, CheckPeriodZeroStartsNothing) {
  LoopbackServer& server = httpServer();
  serve(server, "/a.mp3", "a");
  server.start();
  startEngine();
  addRow("a", server.url("/a.mp3"));
  ui.edits[EditBox::CheckPeriod] = "0";

  controller->onDownloadClick();
  EXPECT_FALSE(runTimers([this] { return hits.at("/a.mp3") > 0 || !ui.messages.empty(); }, 500ms));
  EXPECT_EQ(period(TimerId::Dispatch), 0);
  EXPECT_EQ(cells(0), (Cells{"", "", ""}));
  EXPECT_TRUE(savedFiles().empty());
}

TEST_F(QueueTransferTest, SaveFolderThatCannotBeCreated) {
  LoopbackServer& server = httpServer();
  serve(server, "/a.mp3", "a");
  server.start();
  startEngine();
  addRow("a", server.url("/a.mp3"));
  std::ofstream(folder + "/plain-file") << "x";
  state.savePath = folder + "/plain-file/sounds/";

  controller->onDownloadClick();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, P("无法创建保存目录：") + state.savePath);
  EXPECT_EQ(ui.messages[0].flags, kIconError);
  EXPECT_FALSE(runTimers([this] { return hits.at("/a.mp3") > 0; }, 500ms));
  EXPECT_EQ(cells(0), (Cells{"", "", ""}));
}

}  // namespace
}  // namespace sfx
