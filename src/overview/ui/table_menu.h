#pragma once

#include <QModelIndex>

#include <functional>

class QTableView;

// A report table's context menu: 复制 (the selected rows), 复制全部 (every
// row shown) and, when `details` is given, 查看详情 of the row under the mouse.
void AddTableMenu(QTableView *table, std::function<void(const QModelIndex &row)> details = {});
