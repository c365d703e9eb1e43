#include "ui/result_list_model.h"

#include <algorithm>
#include <limits>

#include "ui/qt_text.h"

namespace sfx {
namespace {

// Qt numbers rows with int; a row past that could not be addressed.
constexpr std::size_t kMaxRows = static_cast<std::size_t>(std::numeric_limits<int>::max());

const char* const kColumnTitles[kListColumnCount] = {"ID", "文件名", "下载链接", "下载进度", "下载速度", "下载状态"};

}  // namespace

int ResultListModel::appendRow() {
  if (rows_.size() >= kMaxRows) return -1;
  const int row = static_cast<int>(rows_.size());
  beginInsertRows({}, row, row);
  rows_.push_back(Row{nextKey_++, {}, {}});
  endInsertRows();
  return row;
}

void ResultListModel::clear() {
  beginResetModel();
  // Swap rather than clear, so that the memory of a long list is given back.
  std::vector<Row>().swap(rows_);
  endResetModel();
}

bool ResultListModel::exists(int row, int column) const {
  return row >= 0 && static_cast<std::size_t>(row) < rows_.size() && column >= 0 && column < kListColumnCount;
}

void ResultListModel::setCell(int row, int column, std::string_view text) {
  if (!exists(row, column)) return;
  std::string& cell = rows_[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)];
  if (cell == text) return;
  cell.assign(text);
  const QModelIndex changed = index(row, column);
  emit dataChanged(changed, changed, {Qt::DisplayRole});
}

std::string ResultListModel::cell(int row, int column) const {
  if (!exists(row, column)) return {};
  return rows_[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)];
}

void ResultListModel::setToolTip(int row, std::string_view text) {
  if (!exists(row, 0)) return;
  rows_[static_cast<std::size_t>(row)].toolTip.assign(text);
}

RowKey ResultListModel::key(int row) const { return exists(row, 0) ? rows_[static_cast<std::size_t>(row)].key : kNoRow; }

int ResultListModel::rowOfKey(RowKey key) const {
  const auto found = std::lower_bound(rows_.begin(), rows_.end(), key,
                                      [](const Row& row, RowKey sought) { return row.key < sought; });
  if (found == rows_.end() || found->key != key) return -1;
  return static_cast<int>(found - rows_.begin());
}

int ResultListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ResultListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kListColumnCount; }

QVariant ResultListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !exists(index.row(), index.column())) return {};
  const Row& row = rows_[static_cast<std::size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
      return toQString(row.cells[static_cast<std::size_t>(index.column())]);
    case Qt::ToolTipRole:
      return row.toolTip.empty() ? QVariant() : QVariant(toQString(row.toolTip));
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
      return {};
  }
}

QVariant ResultListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kListColumnCount) return {};
  if (role == Qt::DisplayRole) return QString::fromUtf8(kColumnTitles[section]);
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

Qt::ItemFlags ResultListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;  // never editable in place
}

}  // namespace sfx
