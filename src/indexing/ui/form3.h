#pragma once

#include "common/stop_flag.h"
#include "ui_common/window_run.h"
#include "indexing/service_catalogue.h"
#include "indexing/site_file.h"
#include "indexing/site_list.h"

#include <QDialog>
#include <QHash>

#include <array>
#include <memory>

class NetworkPageSource;
class PageSource;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QHelpEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QSettings;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class cToolTip;

// The indexing window: the site list and its editor, the services to ask,
// the run with its report, the font size.
class Form3 : public QDialog
{
    Q_OBJECT

public:
    // `pages` is where result pages come from; null means the network.
    explicit Form3(QWidget *parent = nullptr, PageSource *pages = nullptr);
    ~Form3() override;

    bool running() const { return run_.running(); }
    const SiteList &sites() const { return sites_; }
    cToolTip *balloonOf(int checkBox) const;  // 8 or 9; null before the first mouse movement

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void command1Clicked();
    void command3Clicked();
    void command6Clicked();
    void command9Clicked();
    void lv1ItemClicked(QTreeWidgetItem *item);
    void lv1ItemChanged(QTreeWidgetItem *item);
    void lv1ColumnClicked(int column);
    void lv1ContextMenu(const QPoint &position);
    void menuDeleteTriggered();
    void menuOpenAddressTriggered();
    void combo1Activated();

private:
    void buildControls();
    void placeControls();
    void refreshList();
    void applyFontSize(int points);
    void selectFontSize(const QString &stored);
    void showFailureReason(QHelpEvent *event);
    void setEngineBoxes(bool ticked);
    void setListEditable(bool editable);
    void createBalloon(int index);
    // The ticks of a user's added services are remembered, in the group "设置".
    void restoreAddedServiceTicks(const QSettings &settings);
    void storeAddedServiceTicks(QSettings &settings);

    QLabel *Label1;          // 网址列表：
    QPushButton *Command7;   // 全不选 (sites)
    QPushButton *Command5;   // 全选 (sites)
    QTreeWidget *Lv1;        // the site list
    QLabel *Label4;          // 网址：
    QLineEdit *Text1;        // address being edited
    QLabel *Label5;          // 名称：
    QLineEdit *Text3;        // name being edited
    QPushButton *Command6;   // 添加 / 修改
    QPushButton *Command9;   // 重置
    QLineEdit *Text4;        // position of the clicked entry, out of sight
    QGroupBox *Frame1;       // 分析项目选择
    QList<QCheckBox *> Check;  // Check1 … Check10, then a user's added services
    QPushButton *Command8;   // 全不选 (engines)
    QPushButton *Command4;   // 全选 (engines)
    QPushButton *Command2;   // 清空
    QPushButton *Command1;   // 开始分析
    QPushButton *Command3;   // 停止分析
    QLabel *Label2;          // 字号大小
    QComboBox *Combo1;       // font size
    QProgressBar *Pb1;       // progress of the run
    QPlainTextEdit *Text2;   // the report
    QLabel *Label3;          // the note on wrong results
    QMenu *menuLV列表;       // the site list's context menu
    QAction *menu删除;
    QAction *menu打开网址;

    ServiceCatalogue services_;  // the ten, with the user's services.json over them
    SiteList sites_;
    QString siteFilePath_;
    SiteFileEncoding siteFileEncoding_ = SiteFileEncoding::Cp936;  // written back as it came
    QHash<QString, QString> failureReasons_;  // by the report line that shows 查询失败
    QString clickedKey_;       // the entry in modify mode, by key: sorting moves positions
    bool checkJustToggled_ = false;
    std::unique_ptr<NetworkPageSource> network_;
    PageSource *pages_;
    StopFlag StopRequested;
    WindowRun run_{this, StopRequested};
    std::array<std::unique_ptr<cToolTip>, 2> balloons_;  // Check8, Check9
};

// The explanatory texts of the two ranking boxes, CR LF lines.
QString SogouRankExplanation();
QString ChinaRankExplanation();
