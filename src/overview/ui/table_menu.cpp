#include "overview/ui/table_menu.h"

#include "overview/ui/report_table.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QTableView>

void AddTableMenu(QTableView *table, std::function<void(const QModelIndex &row)> details)
{
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(table, &QWidget::customContextMenuRequested, table, [table, details](const QPoint &at) {
        const QModelIndex row = table->indexAt(at);
        if (row.isValid() && !table->selectionModel()->isRowSelected(row.row(), row.parent()))
            table->selectRow(row.row());
        QMenu menu(table);
        menu.setObjectName(QStringLiteral("tableMenu"));
        QAction *copy = menu.addAction(QStringLiteral("复制"), table, [table] {
            QGuiApplication::clipboard()->setText(SelectedRowsText(table));
        });
        copy->setEnabled(table->selectionModel()->hasSelection());
        menu.addAction(QStringLiteral("复制全部"), table, [table] {
            QGuiApplication::clipboard()->setText(AllRowsText(table));
        });
        if (details) {
            QAction *show = menu.addAction(QStringLiteral("查看详情"), table, [details, row] { details(row); });
            show->setEnabled(row.isValid());
        }
        menu.exec(table->viewport()->mapToGlobal(at));
    });
}
