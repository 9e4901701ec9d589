#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QSet>
#include <QSortFilterProxyModel>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <optional>

class QTableView;
class QWidget;

// One cell of a report table: the text it shows and the value it sorts by.
struct ReportCell
{
    QString text;
    QVariant sortKey;  // numbers (aligned right) and dates sort as such; invalid: the text sorts
};

struct ReportRow
{
    QList<ReportCell> cells;
    QString key;  // what the row stands for, e.g. the agent's id
    int tag = 0;  // what a TagFilterModel selects rows by, e.g. the agent's category
};

// Rows of ready-made cells for a QTableView: the model holds text, not
// widgets, so a table of thousands of rows stays cheap to paint.
class ReportTableModel : public QAbstractTableModel
{
public:
    static constexpr int SortRole = Qt::UserRole;
    static constexpr int KeyRole = Qt::UserRole + 1;
    static constexpr int TagRole = Qt::UserRole + 2;

    explicit ReportTableModel(QStringList headers, QObject *parent = nullptr);

    void setRows(QStringList headers, QList<ReportRow> rows);
    int column(const QString &header) const { return int(headers_.indexOf(header)); }  // -1: none

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QStringList headers_;
    QList<ReportRow> rows_;
};

// Keeps the rows whose tag is among the shown ones; sorts by SortRole.
class TagFilterModel : public QSortFilterProxyModel
{
public:
    explicit TagFilterModel(QObject *parent = nullptr);
    void setShownTags(QSet<int> tags);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    std::optional<QSet<int>> shown_;  // none: every row
};

// A read-only table that sorts by a click on a header (figures and dates
// largest first, text from A), selects whole rows and shows a cut cell's
// text in a tooltip. The last column takes no more room than its text:
// resizeColumnsToContents() then shows every cell whole.
QTableView *MakeReportTable(QWidget *parent, const QString &name, QAbstractItemModel *model);

// Column widths by header text, so that they survive a change of columns.
QVariantMap ColumnWidths(const QTableView *table);
void SetColumnWidths(QTableView *table, const QVariantMap &widths);

// The selected rows (or all rows) in the order the table shows them, the
// header line first; cells separated by tabs, lines by "\n", as spreadsheets
// paste them.
QString SelectedRowsText(const QTableView *table);
QString AllRowsText(const QTableView *table);
