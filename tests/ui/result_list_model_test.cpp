#include "ui/result_list_model.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <string>

#include "platform/encoding.h"

namespace sfx {
namespace {

TEST(ResultListModelTest, HoldsAHundredThousandRowsAndLetsThemGo) {
  constexpr int kRows = 100000;
  ResultListModel model;
  for (int i = 0; i < kRows; ++i) {
    ASSERT_EQ(model.appendRow(), i);
    model.setCell(i, kColumnId, std::to_string(i + 1));
    model.setCell(i, kColumnUrl, "http://127.0.0.1/a/" + std::to_string(i) + ".mp3");
  }
  EXPECT_EQ(model.rowCount(), kRows);
  EXPECT_EQ(model.cell(kRows - 1, kColumnId), std::to_string(kRows));
  EXPECT_EQ(model.rowOfKey(model.key(kRows / 2)), kRows / 2);
  EXPECT_EQ(model.index(kRows - 1, kColumnUrl).data().toString(), QString("http://127.0.0.1/a/%1.mp3").arg(kRows - 1));

  const RowKey last = model.key(kRows - 1);
  model.clear();
  EXPECT_EQ(model.rowCount(), 0);
  EXPECT_EQ(model.rowOfKey(last), -1);
  EXPECT_EQ(model.appendRow(), 0);
  EXPECT_GT(model.key(0), last);
}

TEST(ResultListModelTest, AWriteSignalsOnlyItsCellAndOnlyWhenTheTextChanges) {
  ResultListModel model;
  model.appendRow();
  model.appendRow();
  QSignalSpy changed(&model, &ResultListModel::dataChanged);
  model.setCell(1, kColumnState, programText("下载"));
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed[0][0].toModelIndex(), model.index(1, kColumnState));
  EXPECT_EQ(changed[0][1].toModelIndex(), model.index(1, kColumnState));
  model.setCell(1, kColumnState, programText("下载"));  // the progress tick rewrites unchanged texts
  EXPECT_EQ(changed.count(), 1);
}

TEST(ResultListModelTest, ShowsTextsAndToolTipsButIsNeverEditable) {
  ResultListModel model;
  model.appendRow();
  model.setCell(0, kColumnTitle, programText("雷声 <b>轰</b>"));
  model.setToolTip(0, programText("连接失败"));
  const QModelIndex title = model.index(0, kColumnTitle);
  EXPECT_EQ(title.data(Qt::DisplayRole).toString(), QStringLiteral("雷声 <b>轰</b>"));
  EXPECT_EQ(title.data(Qt::ToolTipRole).toString(), QStringLiteral("连接失败"));
  EXPECT_FALSE(model.index(0, kColumnId).data(Qt::ToolTipRole).toString().isEmpty());
  EXPECT_FALSE(model.flags(title).testFlag(Qt::ItemIsEditable));
  EXPECT_FALSE(model.setData(title, "x", Qt::EditRole));
  EXPECT_FALSE(model.index(1, 0).isValid());
}

}  // namespace
}  // namespace sfx
