#include "overview/ui/report_table.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QProxyStyle>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolTip>

#include <algorithm>
#include <numeric>

namespace {

bool isNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

// Qt's header draws ascending order as a down arrow, which people read as
// "largest first": the arrow here points the way the values fall.
class SortArrowStyle : public QProxyStyle
{
public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override
    {
        const auto *header = qstyleoption_cast<const QStyleOptionHeader *>(option);
        if (element != PE_IndicatorHeaderArrow || !header || header->sortIndicator == QStyleOptionHeader::None) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        QStyleOptionHeader flipped(*header);
        flipped.sortIndicator = header->sortIndicator == QStyleOptionHeader::SortUp ? QStyleOptionHeader::SortDown
                                                                                    : QStyleOptionHeader::SortUp;
        QProxyStyle::drawPrimitive(element, &flipped, painter, widget);
    }
};

// A cell too narrow for its text shows the whole text as a tooltip.
class CutCellTips : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override
    {
        if (event->type() != QEvent::ToolTip)
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        if (sizeHint(option, index).width() > option.rect.width())
            QToolTip::showText(event->globalPos(), index.data().toString(), view, option.rect);
        else
            QToolTip::hideText();
        return true;
    }
};

}  // namespace

ReportTableModel::ReportTableModel(QStringList headers, QObject *parent)
    : QAbstractTableModel(parent), headers_(std::move(headers))
{
}

void ReportTableModel::setRows(QStringList headers, QList<ReportRow> rows)
{
    beginResetModel();
    headers_ = std::move(headers);
    rows_ = std::move(rows);
    endResetModel();
}

int ReportTableModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(rows_.size()); }

int ReportTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(headers_.size());
}

QVariant ReportTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    const ReportRow &row = rows_[index.row()];
    if (role == KeyRole)
        return row.key;
    if (role == TagRole)
        return row.tag;
    if (index.column() >= row.cells.size())
        return {};
    const ReportCell &cell = row.cells[index.column()];
    switch (role) {
    case Qt::DisplayRole:
        return cell.text;
    case SortRole:
        return cell.sortKey.isValid() ? cell.sortKey : QVariant(cell.text);
    case Qt::TextAlignmentRole:
        if (isNumber(cell.sortKey))
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant ReportTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section >= headers_.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return headers_[section];
    if (role == Qt::InitialSortOrderRole) {
        // Figures and dates: the largest or latest first; text from A.
        const bool ranked = !rows_.isEmpty() && section < rows_.front().cells.size()
            && rows_.front().cells[section].sortKey.isValid();
        return int(ranked ? Qt::DescendingOrder : Qt::AscendingOrder);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

TagFilterModel::TagFilterModel(QObject *parent) : QSortFilterProxyModel(parent)
{
    setSortRole(ReportTableModel::SortRole);
}

void TagFilterModel::setShownTags(QSet<int> tags)
{
    shown_ = std::move(tags);
    invalidateFilter();
}

bool TagFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (shown_ && !shown_->contains(sourceModel()->index(sourceRow, 0, sourceParent).data(ReportTableModel::TagRole).toInt()))
        return false;
    return QSortFilterProxyModel::filterAcceptsRow(sourceRow, sourceParent);
}

QTableView *MakeReportTable(QWidget *parent, const QString &name, QAbstractItemModel *model)
{
    auto *table = new QTableView(parent);
    table->setObjectName(name);
    table->setModel(model);
    table->setSortingEnabled(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->setItemDelegate(new CutCellTips(table));
    QHeaderView *header = table->horizontalHeader();
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    auto *arrows = new SortArrowStyle;
    arrows->setParent(header);
    header->setStyle(arrows);
    return table;
}

QVariantMap ColumnWidths(const QTableView *table)
{
    QVariantMap widths;
    const QAbstractItemModel *model = table->model();
    for (int column = 0; column < model->columnCount(); ++column)
        widths.insert(model->headerData(column, Qt::Horizontal).toString(), table->columnWidth(column));
    return widths;
}

void SetColumnWidths(QTableView *table, const QVariantMap &widths)
{
    const QAbstractItemModel *model = table->model();
    for (int column = 0; column < model->columnCount(); ++column) {
        const QVariant width = widths.value(model->headerData(column, Qt::Horizontal).toString());
        if (width.toInt() > 0)
            table->setColumnWidth(column, width.toInt());
    }
}

namespace {

QString rowsText(const QTableView *table, const QList<int> &rows)
{
    const QAbstractItemModel *model = table->model();
    const auto line = [&](auto cellText) {
        QStringList cells;
        for (int column = 0; column < model->columnCount(); ++column)
            if (!table->isColumnHidden(column))
                cells.append(cellText(column));
        QString text = cells.join(u'\t');
        text += u'\n';
        return text;
    };
    QString text = line([&](int column) { return model->headerData(column, Qt::Horizontal).toString(); });
    for (int row : rows)
        text += line([&](int column) { return model->index(row, column).data().toString(); });
    return text;
}

}  // namespace

QString SelectedRowsText(const QTableView *table)
{
    QList<int> rows;
    for (const QModelIndex &index : table->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rowsText(table, rows);
}

QString AllRowsText(const QTableView *table)
{
    QList<int> rows(table->model()->rowCount());
    std::iota(rows.begin(), rows.end(), 0);
    return rowsText(table, rows);
}
