#include "ranking/ui/keyword_rank_window.h"

#include "common/app_identity.h"
#include "common/app_settings.h"
#include "overview/ui/report_table.h"
#include "overview/ui/site_settings.h"
#include "ranking/keyword_file.h"
#include "ranking/rank_table.h"
#include "store/rank_history.h"
#include "ui_common/named_controls.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTableView>
#include <QThread>
#include <QVBoxLayout>

namespace {

const QString kSettingsGroup = QStringLiteral("关键词");

QStringList headersOf(const QList<RankColumn> &columns)
{
    QStringList headers;
    for (const RankColumn &column : columns)
        headers.append(column.header);
    return headers;
}

}  // namespace

KeywordRankWindow::KeywordRankWindow(QWidget *parent, RankEnvironment environment)
    : QWidget(parent), environment_(std::move(environment))
{
    setObjectName(QStringLiteral("KeywordRankWindow"));
    setWindowTitle(QStringLiteral("关键词排行分析"));
    services_ = LoadServiceCatalogue(UserServiceFilePath(), false);
    keywordPath_ = KeywordFilePath();
    buildControls();
    loadSettings();
    QString fault;
    keywordsEdit_->setPlainText(LoadKeywordFile(keywordPath_, &fault).join(u'\n'));
    if (!services_.fault.isEmpty())
        fault += (fault.isEmpty() ? QString() : QStringLiteral("\n")) + QStringLiteral("服务定义文件有误，已忽略：")
            + services_.fault;
    if (!fault.isEmpty())
        status_->setText(fault);
    setRunning(false);
    resize(820, 560);
}

KeywordRankWindow::~KeywordRankWindow()
{
    if (keeping_) {
        keeping_->wait();  // a store write is never cut off
        delete keeping_;
    }
}

void KeywordRankWindow::buildControls()
{
    siteEdit_ = new QLineEdit(this);
    siteEdit_->setObjectName(QStringLiteral("siteEdit"));
    siteEdit_->setPlaceholderText(QStringLiteral("www.example.com"));
    subdomainsBox_ = new QCheckBox(QStringLiteral("含子域名"), this);
    subdomainsBox_->setObjectName(QStringLiteral("subdomainsBox"));
    depthBox_ = new QSpinBox(this);
    depthBox_->setObjectName(QStringLiteral("depthBox"));
    depthBox_->setRange(1, kLargestRankDepth);
    depthBox_->setValue(kDefaultRankDepth);
    delayBox_ = new QDoubleSpinBox(this);
    delayBox_->setObjectName(QStringLiteral("delayBox"));
    delayBox_->setRange(0, 60);
    delayBox_->setDecimals(1);
    delayBox_->setValue(3);
    siteStoreBox_ = new QComboBox(this);
    siteStoreBox_->setObjectName(QStringLiteral("siteStoreBox"));
    siteStoreBox_->addItem(QStringLiteral("（不保存）"));
    siteStoreBox_->addItems(SiteNames());
    siteStoreBox_->setToolTip(QStringLiteral("每次查询完成后存入该站点的存储（站点在蜘蛛概览窗口中新建），"
                                             "表中列出与上次相比的变化"));
    auto *siteRow = new QHBoxLayout;
    siteRow->addWidget(NamedLabel(this, QStringLiteral("siteLabel"), QStringLiteral("网站：")));
    siteRow->addWidget(siteEdit_, 1);
    siteRow->addWidget(subdomainsBox_);
    siteRow->addWidget(NamedLabel(this, QStringLiteral("depthLabel"), QStringLiteral("深度：")));
    siteRow->addWidget(depthBox_);
    siteRow->addWidget(NamedLabel(this, QStringLiteral("delayLabel"), QStringLiteral("间隔（秒）：")));
    siteRow->addWidget(delayBox_);
    siteRow->addWidget(NamedLabel(this, QStringLiteral("siteStoreLabel"), QStringLiteral("存入站点：")));
    siteRow->addWidget(siteStoreBox_);

    keywordsEdit_ = new QPlainTextEdit(this);
    keywordsEdit_->setObjectName(QStringLiteral("keywordsEdit"));
    keywordsEdit_->setPlaceholderText(QStringLiteral("每行一个关键词"));
    auto *keywords = new QVBoxLayout;
    keywords->addWidget(NamedLabel(this, QStringLiteral("keywordsLabel"), QStringLiteral("关键词（每行一个）：")));
    keywords->addWidget(keywordsEdit_);

    startButton_ = NamedButton(this, QStringLiteral("startButton"), QStringLiteral("开始"));
    stopButton_ = NamedButton(this, QStringLiteral("stopButton"), QStringLiteral("停止"));
    copyButton_ = NamedButton(this, QStringLiteral("copyButton"), QStringLiteral("复制"));
    exportButton_ = NamedButton(this, QStringLiteral("exportButton"), QStringLiteral("导出CSV"));
    connect(startButton_, &QPushButton::clicked, this, &KeywordRankWindow::startRun);
    connect(stopButton_, &QPushButton::clicked, this, &KeywordRankWindow::stopRun);
    connect(copyButton_, &QPushButton::clicked, this, &KeywordRankWindow::copyTable);
    connect(exportButton_, &QPushButton::clicked, this, &KeywordRankWindow::exportCsvClicked);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progress"));
    status_ = NamedLabel(this, QStringLiteral("status"), QString());
    status_->setWordWrap(true);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *button : {startButton_, stopButton_, copyButton_, exportButton_})
        buttons->addWidget(button);
    buttons->addWidget(progress_, 1);

    auto *choices = new QHBoxLayout;
    choices->addLayout(keywords, 1);
    choices->addWidget(buildEngineBoxes(), 1);

    ranks_ = new ReportTableModel({}, this);
    sorted_ = new TagFilterModel(this);
    sorted_->setSourceModel(ranks_);
    table_ = MakeReportTable(this, QStringLiteral("rankTable"), sorted_);
    table_->sortByColumn(-1, Qt::AscendingOrder);  // the keywords' own order until a header is clicked

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(siteRow);
    layout->addLayout(choices);
    layout->addLayout(buttons);
    layout->addWidget(status_);
    layout->addWidget(table_, 2);
}

// A tick box per engine in force; none means none is defined yet.
QWidget *KeywordRankWindow::buildEngineBoxes()
{
    auto *frame = new QGroupBox(QStringLiteral("搜索引擎"), this);
    frame->setObjectName(QStringLiteral("engineFrame"));
    auto *grid = new QGridLayout(frame);
    grid->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    for (const SerpService &engine : std::as_const(services_.serp)) {
        auto *box = new QCheckBox(engine.caption, frame);
        box->setObjectName(QStringLiteral("engine_") + engine.key);
        box->setToolTip(engine.origin);
        grid->addWidget(box, int(engineBoxes_.size()) / 2, int(engineBoxes_.size()) % 2);
        engineBoxes_.append(box);
    }
    if (engineBoxes_.isEmpty()) {
        auto *note = NamedLabel(frame, QStringLiteral("noEngineNote"),
                                QStringLiteral("还没有搜索引擎的定义。在 services.json 中加入 \"kind\": \"serp\" 的定义"
                                               "（示例见 docs/services.example.json，先用 trawlex-cli services --test 试查）。"));
        note->setWordWrap(true);
        grid->addWidget(note, 0, 0);
    }
    return frame;
}

void KeywordRankWindow::setRunning(bool running)
{
    QList<QWidget *> choices{siteEdit_, subdomainsBox_, depthBox_, delayBox_, siteStoreBox_, keywordsEdit_};
    choices.append({engineBoxes_.cbegin(), engineBoxes_.cend()});
    for (QWidget *control : std::as_const(choices))
        control->setEnabled(!running);
    startButton_->setEnabled(!running && !engineBoxes_.isEmpty());
    stopButton_->setEnabled(running);
}

void KeywordRankWindow::startRun()
{
    RankRequest request;
    request.site = siteEdit_->text().trimmed();
    request.subdomains = subdomainsBox_->isChecked();
    request.keywords = ParseKeywords(keywordsEdit_->toPlainText());
    request.depth = depthBox_->value();
    request.delaySeconds = delayBox_->value();
    for (qsizetype i = 0; i < engineBoxes_.size(); ++i)
        if (engineBoxes_[i]->isChecked())
            request.engines.append(services_.serp[i]);
    QString missing;
    if (!SiteMatcher(request.site, false).isValid())
        missing = QStringLiteral("请填写网站地址。");
    else if (request.keywords.isEmpty())
        missing = QStringLiteral("请填写关键词，每行一个。");
    else if (request.engines.isEmpty())
        missing = QStringLiteral("请勾选搜索引擎。");
    if (!missing.isEmpty()) {
        QMessageBox::information(this, AppIdentity::title(), missing);
        return;
    }
    // Kept now as well as at closing: the frame may end the program with this window open.
    saveSettings();
    const QString unsaved = saveKeywords();
    run_ = std::make_unique<RankRun>(request, environment_, stop_);
    connect(run_.get(), &RankRun::answered, this, &KeywordRankWindow::showAnswer);
    connect(run_.get(), &RankRun::finished, this, &KeywordRankWindow::finishRun);
    progress_->setRange(0, run_->queryCount());
    progress_->setValue(0);
    status_->setText(unsaved.isEmpty() ? QStringLiteral("正在查询…") : unsaved);
    setRunning(true);
    showTable();
    table_->resizeColumnsToContents();
    windowRun_.begin();
    run_->start();
}

void KeywordRankWindow::stopRun()
{
    if (running()) {
        stop_.request();
        status_->setText(QStringLiteral("正在停止…"));
    }
}

void KeywordRankWindow::showAnswer()
{
    progress_->setValue(run_->answeredCount());
    showTable();
}

void KeywordRankWindow::finishRun()
{
    if (!run_->results().stopped && siteStoreBox_->currentIndex() > 0)
        keepInSite();
    else
        endRun({});
}

void KeywordRankWindow::endRun(const QString &kept)
{
    const RankResults &results = run_->results();
    QString text = results.stopped ? QStringLiteral("分析已停止。") : QStringLiteral("分析完成。") + kept;
    showTable();
    table_->resizeColumnsToContents();  // every rank and "查询失败" whole
    setRunning(false);
    if (results.anyFailed())
        text += QStringLiteral("有查询失败，指向“查询失败”可看原因。");
    status_->setText(text);
    emit runFinished();
    windowRun_.end();
}

void KeywordRankWindow::keepInSite()
{
    const QString name = siteStoreBox_->currentText();
    status_->setText(QStringLiteral("正在存入站点“%1”…").arg(name));
    keeping_ = QThread::create([this, path = LoadSite(name).storePath, results = run_->results()] {
        keptPrevious_.clear();
        keptProblem_ = KeepRankRun(path, results, QDate::currentDate(), keptPrevious_);
    });
    connect(keeping_, &QThread::finished, this, [this, name] {
        keeping_->wait();
        delete keeping_;
        keeping_ = nullptr;
        if (!keptProblem_.isEmpty()) {
            endRun(QStringLiteral("未能存入站点“%1”：%2").arg(name, keptProblem_));
            return;
        }
        run_->setPrevious(std::move(keptPrevious_));
        endRun(QStringLiteral("已存入站点“%1”。").arg(name));
    });
    keeping_->start();
}

// The whole table from the run's results (a few hundred cells at most),
// keeping the widths the user gave the columns.
void KeywordRankWindow::showTable()
{
    const RankResults &results = run_->results();
    const QList<RankColumn> columns = RankTableColumns(results);
    QList<ReportRow> rows;
    for (int keyword = 0; keyword < results.request.keywords.size(); ++keyword) {
        ReportRow row;
        for (const RankColumn &column : columns) {
            const RankTableCell cell = column.cell(results, keyword);
            row.cells.append({cell.text, cell.sortKey, cell.toolTip});
        }
        rows.append(row);
    }
    const QVariantMap widths = ColumnWidths(table_);
    ranks_->setRows(headersOf(columns), rows);
    SetColumnWidths(table_, widths);
}

void KeywordRankWindow::copyTable()
{
    if (!table_->selectionModel()->hasSelection())
        table_->selectAll();
    QApplication::clipboard()->setText(SelectedRowsText(table_));
}

QString KeywordRankWindow::exportCsv(const QString &path) const
{
    if (!run_)
        return QStringLiteral("还没有结果可以导出。");
    return WriteRankCsv(run_->results(), path);
}

void KeywordRankWindow::exportCsvClicked()
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("导出CSV"), QStringLiteral("ranks.csv"),
                                                      QStringLiteral("CSV 文件 (*.csv)"));
    if (path.isEmpty())
        return;
    const QString problem = exportCsv(path);
    status_->setText(problem.isEmpty() ? QStringLiteral("已保存 ") + QDir::toNativeSeparators(path) : problem);
}

void KeywordRankWindow::closeEvent(QCloseEvent *event)
{
    if (windowRun_.deferClose(event))
        return;
    saveSettings();
    if (const QString problem = saveKeywords(); !problem.isEmpty())
        QMessageBox::warning(this, AppIdentity::title(), problem);
    event->accept();
}

QString KeywordRankWindow::saveKeywords() const
{
    return SaveKeywordFile(ParseKeywords(keywordsEdit_->toPlainText()), keywordPath_);
}

void KeywordRankWindow::loadSettings()
{
    QSettings settings = OpenAppSettings();
    settings.beginGroup(kSettingsGroup);
    siteEdit_->setText(settings.value(QStringLiteral("网址")).toString());
    subdomainsBox_->setChecked(settings.value(QStringLiteral("含子域名"), false).toBool());
    depthBox_->setValue(settings.value(QStringLiteral("深度"), kDefaultRankDepth).toInt());
    delayBox_->setValue(settings.value(QStringLiteral("间隔"), 3.0).toDouble());
    siteStoreBox_->setCurrentIndex(std::max(0, siteStoreBox_->findText(settings.value(QStringLiteral("存入站点")).toString())));
    const QStringList ticked = settings.value(QStringLiteral("引擎")).toStringList();
    for (qsizetype i = 0; i < engineBoxes_.size(); ++i)
        engineBoxes_[i]->setChecked(ticked.contains(services_.serp[i].key));
}

void KeywordRankWindow::saveSettings()
{
    QSettings settings = OpenAppSettings();
    settings.beginGroup(kSettingsGroup);
    settings.setValue(QStringLiteral("网址"), siteEdit_->text().trimmed());
    settings.setValue(QStringLiteral("含子域名"), subdomainsBox_->isChecked());
    settings.setValue(QStringLiteral("深度"), depthBox_->value());
    settings.setValue(QStringLiteral("间隔"), delayBox_->value());
    settings.setValue(QStringLiteral("存入站点"), siteStoreBox_->currentIndex() > 0 ? siteStoreBox_->currentText() : QString());
    // Kept with the keys of engines no longer defined, should they come back.
    QStringList ticked = settings.value(QStringLiteral("引擎")).toStringList();
    for (qsizetype i = 0; i < engineBoxes_.size(); ++i) {
        ticked.removeAll(services_.serp[i].key);
        if (engineBoxes_[i]->isChecked())
            ticked.append(services_.serp[i].key);
    }
    settings.setValue(QStringLiteral("引擎"), ticked);
}
