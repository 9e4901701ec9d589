#include "crawl_log/ui/form1.h"

#include "common/app_identity.h"
#include "common/app_settings.h"
#include "common/folder_check.h"
#include "common/text_rules.h"
#include "crawl_log/crawl_run.h"
#include "crawl_log/crawler_catalogue.h"
#include "crawl_log/ui/form2.h"
#include "ui_common/folder_browser.h"
#include "ui_common/localized_message_box.h"
#include "ui_common/maker_links.h"
#include "ui_common/named_controls.h"
#include "ui_common/text_box_run_output.h"
#include "ui_common/window_run.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kSettingsGroup = QStringLiteral("设置");
const QString kFolderKey = QStringLiteral("目录");
const QString kSubFoldersKey = QStringLiteral("包含子目录");

// The run's requests beside its distinct pages: the report's "有效页面数"
// counts pages, not requests.
QString RequestsTotalText(const QString &spiderName, const CrawlRunSummary &summary)
{
    qint64 requests = 0;
    for (const CrawlFileSummary &file : summary.files)
        requests += file.requests;
    return QStringLiteral("%1：%2 个文件，请求共 %3 次，不同的页面 %4 个%5")
        .arg(spiderName, QString::number(summary.files.size()), QString::number(requests),
             QString::number(summary.validPages), summary.stopped ? QStringLiteral("（未完成）") : QString());
}

}  // namespace

Form1::Form1(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("蛛迹通－澜岫软件"));
    buildControls();
    new MakerLinks(this, Image1, Label3, Label4);

    QSettings settings = OpenAppSettings();
    settings.beginGroup(kSettingsGroup);
    Check1->setChecked(settings.value(kSubFoldersKey, false).toBool());
    // File1 starts in the current folder, Label5 with its count.
    fileListFolder_ = QDir::currentPath();
    refreshFileList();

    // Load: the saved folder, or the file list's own; setting it moves the list.
    Text1->setText(settings.value(kFolderKey, fileListFolder_).toString());
    connect(Check1, &QCheckBox::toggled, this, &Form1::refreshFileList);
}

void Form1::buildControls()
{
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->installEventFilter(this);
    Command1 = NamedButton(this, QStringLiteral("Command1"), QStringLiteral("指定"));
    File1 = new QListWidget(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setUniformItemSizes(true);  // a folder of thousands of logs lays out as fast as a few
    Label5 = NamedLabel(this, QStringLiteral("Label5"), QString());
    Command17 = NamedButton(this, QStringLiteral("Command17"), QStringLiteral("刷新"));
    Check1 = new QCheckBox(QStringLiteral("包含子目录"), this);
    Check1->setObjectName(QStringLiteral("Check1"));

    Frame1 = new QGroupBox(QStringLiteral("搜索情况分析"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto *crawlers = new QGridLayout(Frame1);
    const QList<CatalogueCrawler> &catalogue = CrawlerCatalogue();
    for (qsizetype i = 0; i < catalogue.size(); ++i) {
        const CatalogueCrawler &crawler = catalogue[i];
        QPushButton *start = NamedButton(Frame1, crawler.button, crawler.caption);
        connect(start, &QPushButton::clicked, this,
                [this, &crawler] { runCrawlAnalysis(crawler.displayName, crawler.token); });
        crawlers->addWidget(start, int(i / 3), int(i % 3));
    }
    Text3 = new QLineEdit(QStringLiteral("spider"), Frame1);
    Text3->setObjectName(QStringLiteral("Text3"));
    Command16 = NamedButton(Frame1, QStringLiteral("Command16"), QStringLiteral("自定义分析"));
    crawlers->addWidget(Text3, 4, 0, 1, 2);
    crawlers->addWidget(Command16, 4, 2);

    Command19 = NamedButton(this, QStringLiteral("Command19"), QStringLiteral("停止分析"));
    Command20 = NamedButton(this, QStringLiteral("Command20"), QStringLiteral("全部蜘蛛概览"));
    Label6 = NamedLabel(this, QStringLiteral("Label6"), QStringLiteral("分析结果："));
    Text2 = new QPlainTextEdit(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    Pb1 = new QProgressBar(this);
    Pb1->setObjectName(QStringLiteral("Pb1"));
    Pb1->setRange(0, 1);
    Pb1->setValue(0);
    Pb1->setTextVisible(false);
    Command4 = NamedButton(this, QStringLiteral("Command4"), QStringLiteral("清空"));
    Command5 = NamedButton(this, QStringLiteral("Command5"), QStringLiteral("复制全部"));
    Command18 = NamedButton(this, QStringLiteral("Command18"), QStringLiteral("查看网页详细"));
    Label7 = NamedLabel(this, QStringLiteral("Label7"), AppIdentity::title());
    QFont heading = Label7->font();
    heading.setPointSize(20);
    heading.setBold(true);
    Label7->setFont(heading);
    Label9 = NamedLabel(this, QStringLiteral("Label9"), QString());
    Label8 = NamedLabel(this, QStringLiteral("Label8"), QStringLiteral("如发现分析结果有误，请告知澜岫软件（联系邮箱：lanxiu@lanxiu.example.com），谢谢！"));
    Image1 = MakerLinks::makeImage(this);
    Label3 = MakerLinks::makeLabel(this, "Label3", QStringLiteral("澜岫提供更多好的免费软件"));
    Label4 = MakerLinks::makeLabel(this, "Label4", QStringLiteral("澜岫为您定制各种专业软件"));

    // Top: name, banner and links. Left: the folder. Right: the crawlers.
    auto *links = new QVBoxLayout;
    links->addStretch();
    links->addWidget(Label3);
    links->addWidget(Label4);
    links->addStretch();
    auto *top = new QHBoxLayout;
    top->addWidget(Label7);
    top->addStretch();
    top->addWidget(Image1);
    top->addLayout(links);

    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(new QLabel(QStringLiteral("日志目录："), this));
    folderRow->addWidget(Text1, 1);
    folderRow->addWidget(Command1);
    auto *countRow = new QHBoxLayout;
    countRow->addWidget(new QLabel(QStringLiteral("日志文件数："), this));
    countRow->addWidget(Label5);
    countRow->addStretch();
    countRow->addWidget(Check1);
    countRow->addWidget(Command17);
    auto *folder = new QVBoxLayout;
    folder->addLayout(folderRow);
    folder->addWidget(File1, 1);
    folder->addLayout(countRow);

    auto *crawlerSide = new QVBoxLayout;
    crawlerSide->addWidget(Frame1);
    auto *stopRow = new QHBoxLayout;
    stopRow->addWidget(Command20);
    stopRow->addStretch();
    stopRow->addWidget(Command19);
    crawlerSide->addLayout(stopRow);
    crawlerSide->addStretch();
    auto *middle = new QHBoxLayout;
    middle->addLayout(folder, 2);
    middle->addLayout(crawlerSide, 3);

    auto *results = new QHBoxLayout;
    results->addWidget(Text2, 3);
    results->addWidget(List1, 1);
    auto *actions = new QHBoxLayout;
    actions->addWidget(Label8, 1);
    actions->addWidget(Command4);
    actions->addWidget(Command5);
    actions->addWidget(Command18);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle);
    layout->addWidget(Label6);
    layout->addLayout(results, 1);
    layout->addWidget(Label9);
    layout->addWidget(Pb1);
    layout->addLayout(actions);
    resize(940, 700);

    connect(Text1, &QLineEdit::textChanged, this, &Form1::text1Changed);
    connect(Text1, &QLineEdit::returnPressed, this, &Form1::followFolderBox);
    followTyping_.setSingleShot(true);
    followTyping_.setInterval(300);
    connect(&followTyping_, &QTimer::timeout, this, &Form1::followFolderBox);
    connect(Command1, &QPushButton::clicked, this, &Form1::command1Clicked);
    connect(Command16, &QPushButton::clicked, this, &Form1::command16Clicked);
    connect(Command17, &QPushButton::clicked, this, &Form1::command17Clicked);
    connect(Command18, &QPushButton::clicked, this, &Form1::command18Clicked);
    connect(Command4, &QPushButton::clicked, this, &Form1::command4Clicked);
    connect(Command5, &QPushButton::clicked, this, &Form1::command5Clicked);
    connect(Command19, &QPushButton::clicked, this, &Form1::command19Clicked);
    connect(Command20, &QPushButton::clicked, this, [this] {
        emit overviewRequested(QDir::toNativeSeparators(fileListFolder_), Check1->isChecked());
    });
}

void Form1::setFileListFolder(const QString &folder)
{
    fileListFolder_ = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    refreshFileList();
}

void Form1::listLogFiles()
{
    fileListScan_ = CollectLogInputs({fileListFolder_}, Check1->isChecked());
    File1->clear();
    for (const LogInput &input : fileListScan_.inputs)
        File1->addItem(input.displayPath);
}

void Form1::refreshFileList()
{
    listLogFiles();
    Label5->setText(QString::number(File1->count()));
}

void Form1::text1Changed()
{
    // Typing moves the list once it pauses (or on Enter), not at every
    // prefix that happens to name a folder; a text the program sets moves it
    // at once.
    if (Text1->isModified())
        followTyping_.start();
    else
        followFolderBox();
}

void Form1::followFolderBox()
{
    // The list follows the box as far as the text names a folder. The same
    // folder is the same as the file system sees it: letter case counts
    // where the file system tells it apart.
    followTyping_.stop();
    const QString typed = TrimSpaces(Text1->text());
    if (QFileInfo(typed) != QFileInfo(fileListFolder_) && CheckFolderExists(typed))
        setFileListFolder(typed);
}

void Form1::text1LostFocus()
{
    if (followTyping_.isActive())
        followFolderBox();
    if (CheckFolderExists(Text1->text()) || reportingMissingFolder_)
        return;
    reportingMissingFolder_ = true;
    LocalizedMessageBox(QStringLiteral("该目录不存在！"), this, 16, QString());
    Text1->setText(QDir::toNativeSeparators(fileListFolder_));
    reportingMissingFolder_ = false;
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    // Leaving the box for another control; a window that loses the focus
    // (the message box, closing) is no leaving.
    if (watched == Text1 && event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            text1LostFocus();
    }
    return QDialog::eventFilter(watched, event);
}

void Form1::command1Clicked()
{
    const QString folder = ChooseFolder(this, QStringLiteral("请选择一个目录."), fileListFolder_);
    if (!folder.isEmpty())
        Text1->setText(folder);
}

void Form1::command17Clicked() { refreshFileList(); }

void Form1::command16Clicked()
{
    const std::optional<QString> token = CustomCrawlerToken(Text3->text());
    if (!token) {
        QMessageBox::critical(this, AppIdentity::title(), WrongCrawlerMessage());
        return;
    }
    runCrawlAnalysis(*token, *token);
}

void Form1::command19Clicked() { StopRequested.request(); }

void Form1::command4Clicked() { Text2->clear(); }

void Form1::command5Clicked()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(Text2->toPlainText());
}

void Form1::command18Clicked()
{
    Form2 pages(this);
    pages.showPages(SpiderName, runWidePages_);
}

void Form1::runCrawlAnalysis(const QString &spiderName, const QString &token)
{
    SpiderName = spiderName;
    run_.begin();
    Frame1->setEnabled(false);
    Text2->setEnabled(false);
    // The run works on a copy of the file list.
    CrawlRunRequest request;
    request.inputs = fileListScan_.inputs;
    request.problems = fileListScan_.problems;
    request.token = token;
    request.spiderName = spiderName;
    TextBoxRunOutput output(Text2, Pb1);
    const CrawlRunSummary summary = RunCrawlAnalysis(request, runWidePages_, output, StopRequested);
    Label9->setText(RequestsTotalText(spiderName, summary));
    List1->addItem(summary.totalEntry);
    List1->setCurrentRow(List1->count() - 1);
    Frame1->setEnabled(true);
    Text2->setEnabled(true);
    run_.end();
}

void Form1::reject() { FrameOf(this)->close(); }

void Form1::closeEvent(QCloseEvent *event)
{
    if (run_.deferClose(event))
        return;
    QSettings settings = OpenAppSettings();
    settings.beginGroup(kSettingsGroup);
    settings.setValue(kFolderKey, Text1->text());
    settings.setValue(kSubFoldersKey, Check1->isChecked());
    runWidePages_.clear();
    event->accept();
    QDialog::reject();
}
