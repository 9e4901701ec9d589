#include "ui_common/list_view_columns.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QTreeView>

#include <algorithm>

namespace MListView {

namespace {

int contentsWidth(QTreeView *list, int index)
{
    const QAbstractItemModel *model = list->model();
    int width = 0;
    for (int row = 0; row < model->rowCount(); ++row)
        width = std::max(width, list->sizeHintForIndex(model->index(row, index)).width());
    return width;
}

}  // namespace

void SetColumnWidth(QTreeView *list, int column, int width)
{
    if (!list || !list->model() || column < 1 || column > list->model()->columnCount())
        return;
    const int index = column - 1;
    if (width == FitContents)
        width = contentsWidth(list, index);
    else if (width == FitContentsAndHeader)
        width = std::max(contentsWidth(list, index), list->header()->sectionSizeHint(index));
    if (width >= 0)
        list->setColumnWidth(index, width);
}

void SetAllColumnWidths(QTreeView *list, int width)
{
    if (!list || !list->model())
        return;
    for (int column = 1; column <= list->model()->columnCount(); ++column)
        SetColumnWidth(list, column, width);
}

}  // namespace MListView
