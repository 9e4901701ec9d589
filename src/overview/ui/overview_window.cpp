#include "overview/ui/overview_window.h"

#include "common/app_settings.h"
#include "logs/client_address.h"
#include "logs/formats/log_formats.h"
#include "overview/agent_catalogue.h"
#include "overview/overview_chart.h"
#include "overview/overview_csv.h"
#include "overview/overview_format.h"
#include "overview/overview_html.h"
#include "overview/site_tables.h"
#include "overview/ui/agent_details.h"
#include "overview/ui/chart_view.h"
#include "overview/ui/coverage_tab.h"
#include "overview/ui/overview_figures.h"
#include "overview/ui/problem_line.h"
#include "overview/ui/report_table.h"
#include "overview/ui/robots_tab.h"
#include "overview/ui/site_settings.h"
#include "overview/ui/table_menu.h"
#include "overview/ui/trend_tab.h"
#include "overview/ui/verification_tools.h"
#include "store/site_store.h"
#include "ui_common/export_prompts.h"
#include "ui_common/folder_browser.h"
#include "ui_common/localized_message_box.h"
#include "ui_common/named_controls.h"
#include "ui_common/window_run.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QSettings>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kSettingsGroup = QStringLiteral("概览");
const QString kAutomaticFormat = QStringLiteral("自动");
const QStringList kNamedFormats = {kAutomaticFormat, QStringLiteral("combined"), QStringLiteral("common")};
const QString kRequestsHeader = QStringLiteral("请求数");
constexpr int kRememberedFormats = 5;
constexpr int kProgressSteps = 1000;
const QString kNoSite = QStringLiteral("（不用站点）");
const QString kHtmlName = QStringLiteral("蜘蛛概览.html");
const QString kFormatHelp = QStringLiteral(
    "“自动”按每个文件的内容识别 W3C（IIS）、combined 和 common 格式。\n"
    "自定义的格式可以直接填入 nginx 的 log_format 格式串，例如\n"
    "$remote_addr - $remote_user [$time_local] \"$request\" $status $body_bytes_sent \"$http_referer\" \"$http_user_agent\"\n"
    "或 Apache 的 LogFormat 格式串，例如 %h %l %u %t \"%r\" %>s %b \"%{Referer}i\" \"%{User-Agent}i\"");

// Saves an image atomically; empty on success, else why not.
QString savePng(const QImage &image, const QString &fileName)
{
    if (image.isNull())
        return QStringLiteral("没有可保存的图表");
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || !image.save(&file, "PNG") || !file.commit())
        return QStringLiteral("无法保存 %1：%2").arg(QDir::toNativeSeparators(fileName), file.errorString());
    return {};
}

}  // namespace

const QStringList OverviewWindow::kChartFiles = {QStringLiteral("每日请求.png"), QStringLiteral("状态分布.png")};

OverviewWindow::OverviewWindow(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("overviewWindow"));
    setWindowTitle(QStringLiteral("蜘蛛概览"));
    buildControls();
    loadSettings();
    clearResult();
}

void OverviewWindow::buildControls()
{
    folderEdit_ = new QLineEdit(this);
    folderEdit_->setObjectName(QStringLiteral("folderEdit"));
    chooseFolder_ = NamedButton(this, QStringLiteral("chooseFolder"), QStringLiteral("指定"));
    recursive_ = new QCheckBox(QStringLiteral("包含子目录"), this);
    recursive_->setObjectName(QStringLiteral("recursiveCheck"));
    format_ = new QComboBox(this);
    format_->setObjectName(QStringLiteral("formatCombo"));
    format_->setEditable(true);
    format_->setInsertPolicy(QComboBox::NoInsert);
    format_->setMinimumContentsLength(16);
    format_->lineEdit()->setPlaceholderText(QStringLiteral("自动，或填入 nginx log_format / Apache LogFormat 格式串"));
    format_->setToolTip(kFormatHelp);
    from_ = new QLineEdit(this);
    from_->setObjectName(QStringLiteral("fromEdit"));
    to_ = new QLineEdit(this);
    to_->setObjectName(QStringLiteral("toEdit"));
    for (QLineEdit *date : {from_, to_}) {
        date->setPlaceholderText(QStringLiteral("YYYY-MM-DD"));
        date->setFixedWidth(date->fontMetrics().horizontalAdvance(QStringLiteral("YYYY-MM-DD")) + 16);
    }
    verify_ = new QCheckBox(QStringLiteral("验证"), this);
    verify_->setObjectName(QStringLiteral("verifyCheck"));
    verify_->setToolTip(QStringLiteral("用反向域名和公布的地址列表检查蜘蛛的真伪（需要 DNS）"));
    forwarded_ = new QCheckBox(QStringLiteral("客户端取自 X-Forwarded-For"), this);
    forwarded_->setObjectName(QStringLiteral("forwardedCheck"));
    forwarded_->setToolTip(QStringLiteral("日志位于代理或 CDN 之后时：取 X-Forwarded-For 中最右边的、"
                                          "不是内网地址也不是受信代理的地址作为客户端"));
    trustedProxies_ = new QLineEdit(this);
    trustedProxies_->setObjectName(QStringLiteral("trustedProxiesEdit"));
    trustedProxies_->setPlaceholderText(QStringLiteral("受信代理的地址段，如 203.0.113.0/24，逗号分隔"));
    trustedProxies_->setEnabled(false);
    connect(forwarded_, &QCheckBox::toggled, trustedProxies_, &QLineEdit::setEnabled);
    start_ = NamedButton(this, QStringLiteral("startButton"), QStringLiteral("开始分析"));
    stop_ = NamedButton(this, QStringLiteral("stopButton"), QStringLiteral("停止"));
    stop_->setEnabled(false);
    site_ = new QComboBox(this);
    site_->setObjectName(QStringLiteral("siteCombo"));
    site_->setMinimumContentsLength(16);
    site_->addItem(kNoSite);
    site_->addItems(SiteNames());
    newSite_ = NamedButton(this, QStringLiteral("newSite"), QStringLiteral("新建"));
    removeSite_ = NamedButton(this, QStringLiteral("removeSite"), QStringLiteral("删除"));
    import_ = NamedButton(this, QStringLiteral("importButton"), QStringLiteral("导入"));
    import_->setToolTip(QStringLiteral("把站点目录里新的日志内容导入站点存储，再从存储显示结果"));
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progressBar"));
    progress_->setRange(0, kProgressSteps);
    progress_->setTextVisible(false);
    status_ = NamedLabel(this, QStringLiteral("statusLabel"), QString());

    auto *categoryRow = new QHBoxLayout;
    categoryRow->addWidget(new QLabel(QStringLiteral("类别："), this));
    for (int category = 0; category < kAgentCategoryCount; ++category) {
        auto *box = new QCheckBox(CategoryName(AgentCategory(category)), this);
        box->setObjectName(QStringLiteral("category_") + CategoryKey(AgentCategory(category)));
        box->setChecked(true);
        connect(box, &QCheckBox::toggled, this, &OverviewWindow::updateFilter);
        categories_.append(box);
        categoryRow->addWidget(box);
    }
    categoryRow->addStretch();

    agents_ = new ReportTableModel(AgentColumnHeaders(OverviewResult()), this);
    shownAgents_ = new TagFilterModel(this);
    shownAgents_->setSourceModel(agents_);
    agentTable_ = MakeReportTable(this, QStringLiteral("agentTable"), shownAgents_);
    agentTable_->sortByColumn(agents_->column(kRequestsHeader), Qt::DescendingOrder);
    AddTableMenu(agentTable_, [this](const QModelIndex &row) { openDetails(row.data(ReportTableModel::KeyRole).toString()); });
    totals_ = NamedLabel(this, QStringLiteral("totalsLabel"), QString());
    totals_->setWordWrap(true);
    problems_ = new ProblemLine(this);
    headline_ = NamedLabel(this, QStringLiteral("verificationHeadline"), QString());
    headline_->setStyleSheet(QStringLiteral("color: #b00020; font-weight: bold"));
    headline_->setWordWrap(true);
    headline_->hide();

    dayChart_ = new ChartView(QStringLiteral("dayChart"), this);
    statusChart_ = new ChartView(QStringLiteral("statusChart"), this);
    charts_ = new QTabWidget(this);
    charts_->setObjectName(QStringLiteral("chartTabs"));
    charts_->addTab(dayChart_, QStringLiteral("每日请求"));
    charts_->addTab(statusChart_, QStringLiteral("状态分布"));
    charts_->addTab(buildFakeClients(), QStringLiteral("仿冒"));
    coverage_ = new CoverageTab(this);
    robots_ = new RobotsTab(this);
    charts_->addTab(coverage_, QStringLiteral("覆盖"));
    charts_->addTab(robots_, QStringLiteral("robots"));
    trend_ = new TrendTab(this);
    charts_->addTab(trend_, QStringLiteral("趋势"));
    exportCsv_ = NamedButton(this, QStringLiteral("exportCsv"), QStringLiteral("导出CSV…"));
    exportHtml_ = NamedButton(this, QStringLiteral("exportHtml"), QStringLiteral("导出HTML…"));
    exportCharts_ = NamedButton(this, QStringLiteral("exportCharts"), QStringLiteral("导出图表PNG…"));

    // Top: what to read. Middle: the table over the charts. Bottom: exports.
    auto *siteRow = new QHBoxLayout;
    siteRow->addWidget(new QLabel(QStringLiteral("站点："), this));
    siteRow->addWidget(site_);
    siteRow->addWidget(newSite_);
    siteRow->addWidget(removeSite_);
    siteRow->addStretch();
    auto *input = new QGridLayout;
    input->addWidget(new QLabel(QStringLiteral("日志目录："), this), 0, 0);
    input->addWidget(folderEdit_, 0, 1, 1, 6);
    input->addWidget(chooseFolder_, 0, 7);
    input->addWidget(recursive_, 0, 8);
    input->addWidget(new QLabel(QStringLiteral("日志格式："), this), 1, 0);
    input->addWidget(format_, 1, 1);
    input->addWidget(new QLabel(QStringLiteral("从"), this), 1, 2);
    input->addWidget(from_, 1, 3);
    input->addWidget(new QLabel(QStringLiteral("到"), this), 1, 4);
    input->addWidget(to_, 1, 5);
    auto *verifyRow = new QHBoxLayout;
    verifyRow->addWidget(verify_);
    verifyRow->addWidget(new VerificationTools(this));
    input->addLayout(verifyRow, 1, 6);
    input->addWidget(start_, 1, 7);
    input->addWidget(stop_, 1, 8);
    input->addWidget(import_, 1, 9);
    addSiteInputs(input);
    auto *clientRow = new QHBoxLayout;
    clientRow->addWidget(forwarded_);
    clientRow->addWidget(trustedProxies_, 1);
    input->addLayout(clientRow, 3, 1, 1, 8);
    input->setColumnStretch(1, 1);
    auto *progressRow = new QHBoxLayout;
    progressRow->addWidget(progress_, 1);
    progressRow->addWidget(status_, 1);

    auto *tablePart = new QWidget(this);
    auto *tableLayout = new QVBoxLayout(tablePart);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    tableLayout->addWidget(headline_);
    tableLayout->addWidget(agentTable_, 1);
    tableLayout->addWidget(totals_);
    tableLayout->addWidget(problems_);
    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(tablePart);
    splitter->addWidget(charts_);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);

    auto *exports = new QHBoxLayout;
    exports->addWidget(new QLabel(QStringLiteral("选中表中的行可在图表中比较；双击一行看该蜘蛛的详情。"), this), 1);
    exports->addWidget(exportCsv_);
    exports->addWidget(exportHtml_);
    exports->addWidget(exportCharts_);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(siteRow);
    layout->addLayout(input);
    layout->addLayout(progressRow);
    layout->addLayout(categoryRow);
    layout->addWidget(splitter, 1);
    layout->addLayout(exports);
    resize(980, 720);

    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(100);
    connect(progressTimer_, &QTimer::timeout, this, &OverviewWindow::showProgress);
    connect(&runner_, &OverviewRunner::finished, this, &OverviewWindow::finishRun);
    connect(&storeRunner_, &StoreRunner::finished, this, &OverviewWindow::finishStoreRun);
    connect(site_, &QComboBox::currentIndexChanged, this, &OverviewWindow::siteChosen);
    connect(newSite_, &QPushButton::clicked, this, &OverviewWindow::newSiteClicked);
    connect(removeSite_, &QPushButton::clicked, this, &OverviewWindow::removeSiteClicked);
    connect(import_, &QPushButton::clicked, this, &OverviewWindow::importSite);
    connect(chooseFolder_, &QPushButton::clicked, this, &OverviewWindow::chooseFolder);
    connect(start_, &QPushButton::clicked, this, &OverviewWindow::startRun);
    connect(stop_, &QPushButton::clicked, this, &OverviewWindow::stopRun);
    connect(agentTable_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &OverviewWindow::updateCharts);
    connect(agentTable_, &QTableView::doubleClicked, this, &OverviewWindow::openSelectedDetails);
    connect(exportCsv_, &QPushButton::clicked, this, &OverviewWindow::exportCsvClicked);
    connect(exportHtml_, &QPushButton::clicked, this, &OverviewWindow::exportHtmlClicked);
    connect(exportCharts_, &QPushButton::clicked, this, &OverviewWindow::exportChartsClicked);
}

QWidget *OverviewWindow::buildFakeClients()
{
    auto *page = new QWidget(this);
    fakes_ = new ReportTableModel(FakeClientHeaders(), this);
    auto *sorted = new TagFilterModel(this);
    sorted->setSourceModel(fakes_);
    fakeTable_ = MakeReportTable(page, QStringLiteral("fakeTable"), sorted);
    fakeTable_->sortByColumn(int(FakeClientHeaders().indexOf(kRequestsHeader)),
                             Qt::DescendingOrder);  // most requests first, as the check ranks them
    AddTableMenu(fakeTable_);
    verificationNotes_ = NamedLabel(page, QStringLiteral("verificationNotes"), QString());
    verificationNotes_->setWordWrap(true);
    QPushButton *copy = NamedButton(page, QStringLiteral("copyFakes"), QStringLiteral("复制选中行"));
    connect(copy, &QPushButton::clicked, this, &OverviewWindow::copyFakeClients);
    QPushButton *exportFakes = NamedButton(page, QStringLiteral("exportFakes"), QStringLiteral("导出CSV…"));
    connect(exportFakes, &QPushButton::clicked, this, &OverviewWindow::exportCsvClicked);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(verificationNotes_, 1);
    buttons->addWidget(copy);
    buttons->addWidget(exportFakes);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(fakeTable_, 1);
    layout->addLayout(buttons);
    return page;
}

// The site's files beside the folder: sitemaps (several, by ';') and robots.txt.
void OverviewWindow::addSiteInputs(QGridLayout *input)
{
    sitemapEdit_ = new QLineEdit(this);
    sitemapEdit_->setObjectName(QStringLiteral("sitemapEdit"));
    sitemapEdit_->setPlaceholderText(QStringLiteral("文件或 http(s) 网址，多个用 ; 分隔（可不填）"));
    robotsEdit_ = new QLineEdit(this);
    robotsEdit_->setObjectName(QStringLiteral("robotsEdit"));
    robotsEdit_->setPlaceholderText(QStringLiteral("文件或 http(s) 网址（可不填）"));
    QPushButton *chooseSitemap = NamedButton(this, QStringLiteral("chooseSitemap"), QStringLiteral("选择"));
    QPushButton *chooseRobots = NamedButton(this, QStringLiteral("chooseRobots"), QStringLiteral("选择"));
    connect(chooseSitemap, &QPushButton::clicked, this, &OverviewWindow::chooseSitemap);
    connect(chooseRobots, &QPushButton::clicked, this, &OverviewWindow::chooseRobots);
    auto *row = new QHBoxLayout;
    row->addWidget(sitemapEdit_, 3);
    row->addWidget(chooseSitemap);
    row->addWidget(new QLabel(QStringLiteral("robots.txt："), this));
    row->addWidget(robotsEdit_, 2);
    row->addWidget(chooseRobots);
    input->addWidget(new QLabel(QStringLiteral("网站地图："), this), 2, 0);
    input->addLayout(row, 2, 1, 1, 8);
}

SiteRequest OverviewWindow::siteRequest() const
{
    SiteRequest site;
    for (const QString &source : sitemapEdit_->text().split(u';', Qt::SkipEmptyParts))
        if (!source.trimmed().isEmpty())
            site.sitemaps.append(source.trimmed());
    site.robots = robotsEdit_->text().trimmed();
    return site;
}

void OverviewWindow::chooseSitemap()
{
    const QStringList files = QFileDialog::getOpenFileNames(
        this, QStringLiteral("选择网站地图"), QString(),
        QStringLiteral("网站地图 (*.xml *.gz *.txt);;所有文件 (*)"));
    if (!files.isEmpty())
        sitemapEdit_->setText(files.join(u';'));
}

void OverviewWindow::chooseRobots()
{
    const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("选择 robots.txt"), QString(),
                                                      QStringLiteral("robots.txt (*.txt);;所有文件 (*)"));
    if (!file.isEmpty())
        robotsEdit_->setText(file);
}

void OverviewWindow::copyFakeClients() { QGuiApplication::clipboard()->setText(SelectedRowsText(fakeTable_)); }

void OverviewWindow::setFolder(const QString &folder, bool recursive)
{
    folderEdit_->setText(folder);
    recursive_->setChecked(recursive);
}

void OverviewWindow::startOverview(const QString &folder, bool recursive)
{
    if (runner_.running())
        return;
    setFolder(folder, recursive);
    format_->setCurrentText(kAutomaticFormat);
    clearResult();
    startRun();
}

void OverviewWindow::chooseFolder()
{
    const QString folder = ChooseFolder(this, QStringLiteral("请选择一个目录."), folderEdit_->text().trimmed());
    if (!folder.isEmpty())
        folderEdit_->setText(folder);
}

bool OverviewWindow::readRange(QDate &from, QDate &to)
{
    for (QLineEdit *edit : {from_, to_}) {
        const QString text = edit->text().trimmed();
        const QDate date = QDate::fromString(text, Qt::ISODate);
        if (!text.isEmpty() && !date.isValid()) {
            showMessage(QStringLiteral("日期“%1”无效，请写成 YYYY-MM-DD，或留空表示不限。").arg(text));
            return false;
        }
        (edit == from_ ? from : to) = date;
    }
    return true;
}

void OverviewWindow::startRun()
{
    if (running())
        return;
    if (!siteName().isEmpty()) {
        startStoreRun(false);
        return;
    }
    const QString folder = folderEdit_->text().trimmed();
    if (folder.isEmpty() || !QFileInfo::exists(folder)) {
        showMessage(QStringLiteral("该目录不存在！"));
        return;
    }
    OverviewRequest request;
    request.paths = {folder};
    request.recursive = recursive_->isChecked();
    request.logFormat = chosenFormat();
    request.formats = formats_;
    if (!chooseClients(request))
        return;
    if (!readRange(request.from, request.to))
        return;
    request.jobs = qMax(1, QThread::idealThreadCount());
    if (const QString problem = OverviewRequestProblem(request); !problem.isEmpty()) {
        showMessage(problem);
        return;
    }

    rememberFormat(request.logFormat);
    saveSettings();
    // What was shown stays until the new run has finished: a stopped run leaves it.
    start_->setEnabled(false);
    stop_->setEnabled(true);
    status_->setText(QStringLiteral("正在分析…"));
    QSettings settings = OpenAppSettings();
    settings.beginGroup(kSettingsGroup);
    runner_.start(std::move(request), LoadAgentCatalogue(), verify_->isChecked(),
                  settings.value(QStringLiteral("DNS服务器")).toString(), siteRequest());
    progressTimer_->start();
}

void OverviewWindow::stopRun()
{
    runner_.stop();
    storeRunner_.stop();
    status_->setText(QStringLiteral("正在停止…"));
}

void OverviewWindow::showProgress()
{
    if (const int addresses = runner_.addressesToCheck(); addresses > 0) {
        progress_->setValue(int(qint64(runner_.addressesChecked()) * kProgressSteps / addresses));
        status_->setText(QStringLiteral("正在验证：已查 %1 / %2 个地址")
                             .arg(CountText(runner_.addressesChecked()), CountText(addresses)));
        return;
    }
    const bool store = storeRunner_.running();
    const qint64 total = store ? storeRunner_.totalBytes() : runner_.totalBytes();
    const qint64 read = store ? storeRunner_.bytesRead() : runner_.bytesRead();
    const qint64 perSecond = store ? storeRunner_.recordsPerSecond() : runner_.recordsPerSecond();
    progress_->setValue(total > 0 ? int(qMin(read, total) * kProgressSteps / total) : 0);
    status_->setText(QStringLiteral("已读 %1 / %2，每秒 %3 条记录")
                         .arg(ByteSizeText(read), ByteSizeText(total), CountText(perSecond)));
}

void OverviewWindow::finishRun(std::shared_ptr<const OverviewResult> result)
{
    progressTimer_->stop();
    start_->setEnabled(true);
    import_->setEnabled(true);
    stop_->setEnabled(false);
    storeShown_.clear();
    trend_->setStore({}, {});
    if (result->stopped) {
        // Part of the input only: no figure of it may pass for the whole;
        // the last finished run's stay, and say so.
        progress_->setValue(0);
        status_->setText(result_ ? QStringLiteral("已停止：新的分析未完成，表中仍是上一次的结果") : QStringLiteral("已停止"));
    } else {
        progress_->setValue(kProgressSteps);
        status_->setText(QStringLiteral("完成：%1 个文件，%2 条记录")
                             .arg(CountText(result->logFileCount()), CountText(result->records)));
        // What the command line says on standard error, a line per kind: skipped and
        // unreadable files, bad lines, a malformed crawlers.json, the check's trouble.
        QStringList summary = ProblemSummary(*result);
        if (const QString reason = EmptyRunReason(*result, recursive_->isChecked()); !reason.isEmpty())
            summary.prepend(reason);
        problems_->setProblems(summary + SiteNotes(*result), ProblemList(*result) + SiteNotes(*result));
        showResult(std::move(result));
    }
    emit runFinished();
    if (closeAfterRun_)
        FrameOf(this)->close();
}

void OverviewWindow::showResult(std::shared_ptr<const OverviewResult> result)
{
    result_ = std::move(result);
    fakes_->setRows(FakeClientHeaders(), FakeClientRows(*result_));
    headline_->setText(VerificationHeadline(*result_));
    headline_->setVisible(!headline_->text().isEmpty());
    verificationNotes_->setText(result_->verification ? VerificationNotes(*result_->verification).join(u'\n')
                                                      : QStringLiteral("分析前勾选“验证”可检查蜘蛛的真伪。"));
    for (QPushButton *button : {exportCsv_, exportHtml_, exportCharts_})
        button->setEnabled(true);
    updateFilter();
    // Every name, figure and date whole, whatever the widths were before.
    agentTable_->resizeColumnsToContents();
    fakeTable_->resizeColumnsToContents();
}

void OverviewWindow::clearResult()
{
    result_.reset();
    shown_.reset();
    problems_->clearProblems();
    fakes_->setRows(FakeClientHeaders(), {});
    verificationNotes_->clear();
    agents_->setRows(AgentColumnHeaders(OverviewResult()), {});
    totals_->clear();
    coverage_->clear();
    robots_->clear();
    for (QPushButton *button : {exportCsv_, exportHtml_, exportCharts_})
        button->setEnabled(false);
    updateCharts();
}

void OverviewWindow::updateFilter()
{
    QSet<int> shown;
    for (int category = 0; category < categories_.size(); ++category)
        if (categories_[category]->isChecked())
            shown.insert(category);
    shownAgents_->setShownTags(shown);
    // The totals, the shares, the charts and the exports follow the rows shown.
    shown_ = result_ ? ShownPart(result_, shown) : nullptr;
    if (shown_) {
        const QVariantMap widths = ColumnWidths(agentTable_);
        agents_->setRows(AgentColumnHeaders(*shown_), AgentRows(*shown_));
        SetColumnWidths(agentTable_, widths);
        totals_->setText(TotalsText(*shown_));
        coverage_->showResult(shown_);
        robots_->showResult(shown_);
    }
    updateCharts();
}

QStringList OverviewWindow::chartAgentIds(int busiest) const
{
    QStringList ids;
    for (const QModelIndex &index : agentTable_->selectionModel()->selectedRows())
        ids.append(index.data(ReportTableModel::KeyRole).toString());
    return ids.isEmpty() && shown_ ? BusiestCrawlers(*shown_, busiest) : ids;
}

void OverviewWindow::updateCharts()
{
    if (!shown_) {
        dayChart_->setDrawer({});
        statusChart_->setDrawer({});
        return;
    }
    // An empty size: the picture on its own, as exported, headed by what it is of.
    dayChart_->setDrawer([result = shown_, ids = chartAgentIds(kDayChartCrawlers)](QSizeF size) {
        return size.isEmpty() ? DrawDayChart(*result, ids, {860, 360}, ReportCaption(*result, QDateTime::currentDateTime()))
                              : DrawDayChart(*result, ids, size);
    });
    statusChart_->setDrawer([result = shown_, ids = chartAgentIds(kStatusChartCrawlers)](QSizeF size) {
        return size.isEmpty() ? DrawStatusChart(*result, ids, {860, 0}, ReportCaption(*result, QDateTime::currentDateTime()))
                              : DrawStatusChart(*result, ids, {size.width(), 0});
    });
    if (!storeShown_.isEmpty())
        trend_->setStore(storeShown_, chartAgentIds(kDayChartCrawlers));
}

QString OverviewWindow::siteName() const { return site_->currentIndex() > 0 ? site_->currentText() : QString(); }

void OverviewWindow::chooseSite(const QString &name)
{
    const int index = name.isEmpty() ? 0 : site_->findText(name);
    site_->setCurrentIndex(std::max(index, 0));
}

void OverviewWindow::createSite(const QString &name)
{
    if (site_->findText(name) < 0) {
        SaveSite({name, folderEdit_->text().trimmed(), recursive_->isChecked(), chosenFormat(),
                  DefaultStorePath(name)});
        site_->addItem(name);
    }
    chooseSite(name);
}

void OverviewWindow::siteChosen()
{
    removeSite_->setEnabled(!siteName().isEmpty());
    import_->setEnabled(!siteName().isEmpty() && !running());
    // The crawler check asks DNS about the logs' clients; a site's results
    // come from its store, where the check is the command line's
    // (overview --store --verify).
    verify_->setEnabled(siteName().isEmpty());
    if (siteName().isEmpty())
        return;
    const Site site = LoadSite(siteName());
    setFolder(site.folder, site.recursive);
    format_->setCurrentText(site.logFormat.isEmpty() ? kAutomaticFormat : formatText(site.logFormat));
}

void OverviewWindow::newSiteClicked()
{
    const QString name = QInputDialog::getText(this, QStringLiteral("新建站点"), QStringLiteral("站点名称：")).trimmed();
    if (name.isEmpty())
        return;
    if (name.contains(u'/') || name.contains(u'\\') || name == kNoSite) {
        showMessage(QStringLiteral("站点名称不能含有 / 或 \\。"));
        return;
    }
    createSite(name);
}

void OverviewWindow::removeSiteClicked()
{
    const QString name = siteName();
    if (name.isEmpty())
        return;
    RemoveSite(name);
    site_->removeItem(site_->currentIndex());
    chooseSite({});
}

void OverviewWindow::importSite() { startStoreRun(true); }

void OverviewWindow::startStoreRun(bool import)
{
    if (running() || siteName().isEmpty())
        return;
    Site site = LoadSite(siteName());
    // The site remembers what it was last imported from.
    site.folder = folderEdit_->text().trimmed();
    site.recursive = recursive_->isChecked();
    site.logFormat = chosenFormat();
    StoreOverviewRequest read{site.storePath, {}, {}, false, true, qMax(1, QThread::idealThreadCount())};
    if (!readRange(read.from, read.to))
        return;
    std::optional<ImportRequest> importing;
    if (import) {
        if (site.folder.isEmpty() || !QFileInfo::exists(site.folder)) {
            showMessage(QStringLiteral("该目录不存在！"));
            return;
        }
        importing = ImportRequest{site.storePath, {site.folder}, site.recursive, site.logFormat,
                                  qMax(1, QThread::idealThreadCount()), 0, 0};
        if (const QString problem = ImportRequestProblem(*importing); !problem.isEmpty()) {
            showMessage(problem);
            return;
        }
    }
    SaveSite(site);
    rememberFormat(site.logFormat);
    saveSettings();
    clearResult();
    start_->setEnabled(false);
    import_->setEnabled(false);
    stop_->setEnabled(true);
    status_->setText(import ? QStringLiteral("正在导入…") : QStringLiteral("正在读取站点存储…"));
    storeRunner_.start(std::move(importing), std::move(read), LoadAgentCatalogue());
    progressTimer_->start();
}

void OverviewWindow::finishStoreRun(std::shared_ptr<const OverviewResult> result, QStringList report)
{
    progressTimer_->stop();
    start_->setEnabled(true);
    import_->setEnabled(!siteName().isEmpty());
    stop_->setEnabled(false);
    // The import's closing line (or why the store could not be used) in
    // view, every input's line behind 查看全部.
    QStringList summary = report.mid(report.size() - 1);
    bool wentWell = result && !storeRunner_.importFailed();
    if (result) {
        const QStringList resultProblems = ProblemSummary(*result);
        wentWell = wentWell && resultProblems.isEmpty();
        summary += resultProblems;
        report += ProblemList(*result);
    }
    problems_->setProblems(summary, report, wentWell ? ProblemLine::Tone::Notice : ProblemLine::Tone::Problem);
    if (!result) {
        progress_->setValue(0);
        status_->setText(report.isEmpty() ? QStringLiteral("已停止") : report.constLast());
    } else {
        progress_->setValue(kProgressSteps);
        status_->setText(QStringLiteral("站点存储：%1 条记录").arg(CountText(result->records)));
        storeShown_ = LoadSite(siteName()).storePath;
        showResult(std::move(result));
    }
    emit runFinished();
    if (closeAfterRun_)
        FrameOf(this)->close();
}

AgentDetails *OverviewWindow::openDetails(const QString &agentId)
{
    if (!result_ || !result_->agent(agentId))
        return nullptr;
    auto *details = new AgentDetails(result_, agentId);
    details->setAttribute(Qt::WA_DeleteOnClose);
    auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget());
    if (QMdiArea *workspace = frame ? frame->mdiArea() : nullptr) {
        workspace->addSubWindow(details)->show();
    } else {
        details->setParent(this, Qt::Window);
        details->show();
    }
    return details;
}

void OverviewWindow::openSelectedDetails()
{
    const QModelIndex current = agentTable_->currentIndex();
    if (current.isValid())
        openDetails(current.data(ReportTableModel::KeyRole).toString());
}

QString OverviewWindow::exportCsv(const QString &folder) const
{
    return shown_ ? WriteOverviewCsv(*shown_, folder) : QStringLiteral("还没有分析结果");
}

QString OverviewWindow::exportHtml(const QString &fileName) const
{
    return shown_ ? WriteOverviewHtml(*shown_, fileName) : QStringLiteral("还没有分析结果");
}

QString OverviewWindow::exportCharts(const QString &folder) const
{
    if (!shown_)
        return QStringLiteral("还没有分析结果");
    if (!QDir().mkpath(folder))
        return QStringLiteral("无法建立目录 %1").arg(QDir::toNativeSeparators(folder));
    const QDir to(folder);
    if (const QString problem = savePng(dayChart_->image(), to.filePath(kChartFiles[0])); !problem.isEmpty())
        return problem;
    return savePng(statusChart_->image(), to.filePath(kChartFiles[1]));
}

void OverviewWindow::exportCsvClicked()
{
    const QString folder = ChooseFolder(this, QStringLiteral("请选择保存 CSV 文件的目录."), exportStart());
    const QStringList names = shown_ ? OverviewCsvFileNames(*shown_) : QStringList();
    if (folder.isEmpty() || !ConfirmReplace(this, folder, names))
        return;
    rememberExportFolder(folder);
    TellExportDone(this, folder, names, exportCsv(folder));
}

void OverviewWindow::exportHtmlClicked()
{
    // The dialog itself asks before replacing a file.
    const QString fileName = QFileDialog::getSaveFileName(this, QStringLiteral("导出HTML"),
                                                          QDir(exportStart()).filePath(kHtmlName),
                                                          QStringLiteral("网页 (*.html)"));
    if (fileName.isEmpty())
        return;
    const QFileInfo saved(fileName);
    rememberExportFolder(saved.absolutePath());
    TellExportDone(this, saved.absolutePath(), {saved.fileName()}, exportHtml(fileName));
}

void OverviewWindow::exportChartsClicked()
{
    const QString folder = ChooseFolder(this, QStringLiteral("请选择保存图表的目录."), exportStart());
    if (folder.isEmpty() || !ConfirmReplace(this, folder, kChartFiles))
        return;
    rememberExportFolder(folder);
    TellExportDone(this, folder, kChartFiles, exportCharts(folder));
}

QString OverviewWindow::exportStart() const
{
    QSettings settings = OpenAppSettings();
    const QString last = settings.value(kSettingsGroup + QStringLiteral("/导出目录")).toString();
    return QFileInfo(last).isDir() ? last : folderEdit_->text().trimmed();
}

void OverviewWindow::rememberExportFolder(const QString &folder)
{
    OpenAppSettings().setValue(kSettingsGroup + QStringLiteral("/导出目录"), QDir::toNativeSeparators(folder));
}

void OverviewWindow::showMessage(const QString &text) { LocalizedMessageBox(text, this, 64, QString()); }

void OverviewWindow::closeEvent(QCloseEvent *event)
{
    // A run is stopped first; the window closes once the worker has returned,
    // so nothing the run writes to goes away under it.
    if (running()) {
        closeAfterRun_ = true;
        stopRun();
        event->ignore();
        return;
    }
    saveSettings();
    event->accept();
}

void OverviewWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (geometryRestored_)
        return;
    geometryRestored_ = true;
    QSettings settings = OpenAppSettings();
    settings.beginGroup(kSettingsGroup);
    const QRect geometry = settings.value(QStringLiteral("窗口")).toRect();
    if (geometry.isValid())
        FrameOf(this)->setGeometry(geometry);
}

void OverviewWindow::loadSettings()
{
    QSettings settings = OpenAppSettings();
    settings.beginGroup(kSettingsGroup);
    folderEdit_->setText(settings.value(QStringLiteral("目录")).toString());
    recursive_->setChecked(settings.value(QStringLiteral("包含子目录"), false).toBool());
    sitemapEdit_->setText(settings.value(QStringLiteral("网站地图")).toString());
    robotsEdit_->setText(settings.value(QStringLiteral("robots")).toString());
    verify_->setChecked(settings.value(QStringLiteral("验证"), false).toBool());
    forwarded_->setChecked(settings.value(QStringLiteral("客户端取自转发"), false).toBool());
    trustedProxies_->setText(settings.value(QStringLiteral("受信代理")).toString());
    QString fault;
    formats_ = LoadLogFormats(UserFormatFilePath(), {}, &fault);
    format_->addItems(kNamedFormats);
    for (const LogFormatDefinition &definition : formats_->definitions)
        format_->addItem(definition.title);
    fixedFormats_ = format_->count();
    format_->addItems(settings.value(QStringLiteral("最近格式")).toStringList());
    const QString format = settings.value(QStringLiteral("日志格式")).toString();
    format_->setCurrentText(format.isEmpty() ? kAutomaticFormat : formatText(format));
    from_->setText(settings.value(QStringLiteral("从")).toString());
    to_->setText(settings.value(QStringLiteral("到")).toString());
    chooseSite(settings.value(QStringLiteral("站点")).toString());
    siteChosen();
    SetColumnWidths(agentTable_, settings.value(QStringLiteral("列宽")).toMap());
    const int sortColumn = agents_->column(settings.value(QStringLiteral("排序列")).toString());
    if (sortColumn >= 0)
        agentTable_->sortByColumn(sortColumn, Qt::SortOrder(settings.value(QStringLiteral("排序方向")).toInt()));
}

void OverviewWindow::saveSettings()
{
    QSettings settings = OpenAppSettings();
    settings.beginGroup(kSettingsGroup);
    settings.setValue(QStringLiteral("目录"), folderEdit_->text());
    settings.setValue(QStringLiteral("包含子目录"), recursive_->isChecked());
    settings.setValue(QStringLiteral("网站地图"), sitemapEdit_->text().trimmed());
    settings.setValue(QStringLiteral("robots"), robotsEdit_->text().trimmed());
    settings.setValue(QStringLiteral("验证"), verify_->isChecked());
    settings.setValue(QStringLiteral("客户端取自转发"), forwarded_->isChecked());
    settings.setValue(QStringLiteral("受信代理"), trustedProxies_->text().trimmed());
    settings.setValue(QStringLiteral("日志格式"), chosenFormat());
    QStringList recent;
    for (int i = fixedFormats_; i < format_->count(); ++i)
        recent.append(format_->itemText(i));
    settings.setValue(QStringLiteral("最近格式"), recent);
    settings.setValue(QStringLiteral("站点"), siteName());
    settings.setValue(QStringLiteral("从"), from_->text().trimmed());
    settings.setValue(QStringLiteral("到"), to_->text().trimmed());
    if (geometryRestored_)
        settings.setValue(QStringLiteral("窗口"), FrameOf(this)->geometry());
    settings.setValue(QStringLiteral("列宽"), ColumnWidths(agentTable_));
    const QHeaderView *header = agentTable_->horizontalHeader();
    settings.setValue(QStringLiteral("排序列"),
                      agents_->headerData(header->sortIndicatorSection(), Qt::Horizontal).toString());
    settings.setValue(QStringLiteral("排序方向"), int(header->sortIndicatorOrder()));
}

void OverviewWindow::rememberFormat(const QString &format)
{
    // The last few custom formats, the latest first, after the named ones.
    if (format.isEmpty() || kNamedFormats.contains(format) || formats_->find(format))
        return;
    QStringList recent{format};
    for (int i = fixedFormats_; i < format_->count(); ++i)
        if (format_->itemText(i) != format && recent.size() < kRememberedFormats)
            recent.append(format_->itemText(i));
    while (format_->count() > fixedFormats_)
        format_->removeItem(format_->count() - 1);
    format_->addItems(recent);
    format_->setCurrentText(format);
}

QString OverviewWindow::chosenFormat() const
{
    const QString text = format_->currentText().trimmed();
    if (text == kAutomaticFormat)
        return {};
    for (const LogFormatDefinition &definition : formats_->definitions)
        if (definition.title == text)
            return definition.name;
    return text;
}

QString OverviewWindow::formatText(const QString &format) const
{
    const LogFormatDefinition *definition = formats_->find(format);
    return definition ? definition->title : format;
}

bool OverviewWindow::chooseClients(OverviewRequest &request)
{
    if (!forwarded_->isChecked())
        return true;
    auto clients = std::make_shared<ForwardedClients>();
    QString bad;
    if (!clients->addTrusted(trustedProxies_->text(), &bad)) {
        showMessage(QStringLiteral("受信代理“%1”无效，请写成 CIDR 地址段（如 203.0.113.0/24），用逗号分隔。").arg(bad));
        return false;
    }
    clients->finish();
    request.forwardedClients = std::move(clients);
    return true;
}
