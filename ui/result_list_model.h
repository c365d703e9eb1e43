// The rows of 超级列表框_解析列表: six cells of program text per row, a key
// and a tooltip. Rows are only appended or all deleted, so a row's key never
// names another row, and the keys of the rows are in increasing order.
#pragma once

#include <QAbstractTableModel>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "ui/toolkit.h"

namespace sfx {

class ResultListModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  using QAbstractTableModel::QAbstractTableModel;

  // Index of the new, empty row (the row count before the call), or -1.
  int appendRow();
  void clear();

  // Rows or columns that do not exist: ignored on write, empty on read.
  void setCell(int row, int column, std::string_view text);
  [[nodiscard]] std::string cell(int row, int column) const;
  void setToolTip(int row, std::string_view text);
  [[nodiscard]] RowKey key(int row) const;
  [[nodiscard]] int rowOfKey(RowKey key) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  struct Row {
    RowKey key;
    std::array<std::string, kListColumnCount> cells;
    std::string toolTip;
  };

  [[nodiscard]] bool exists(int row, int column) const;

  std::vector<Row> rows_;
  RowKey nextKey_ = kNoRow + 1;
};

}  // namespace sfx
