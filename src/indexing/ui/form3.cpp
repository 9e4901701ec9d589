#include "indexing/ui/form3.h"

#include "common/app_identity.h"
#include "common/app_settings.h"
#include "common/text_rules.h"
#include "indexing/indexing_run.h"
#include "indexing/net/network_page_source.h"
#include "indexing/site_file.h"
#include "ui_common/balloon_tooltip.h"
#include "ui_common/list_view_columns.h"
#include "ui_common/named_controls.h"
#include "ui_common/text_box_run_output.h"
#include "ui_common/window_run.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBlock>
#include <QTimer>
#include <QToolTip>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QString kSettingsGroup = QStringLiteral("设置");
const QString kFontSizeKey = QStringLiteral("字号");
const QString kAddedServicesKey = QStringLiteral("用户服务");  // the ticked ones, by key
constexpr int kBuiltinCount = 10;
const QString kAdd = QStringLiteral("添加");
const QString kModify = QStringLiteral("修改");

// The report lines up in columns in a fixed-width font whose Chinese
// characters are exactly two Latin ones wide at every size (WenQuanYi Zen
// Hei Mono; Micro Hei Mono is not: its Chinese take 1.67); without it, the
// system's fixed-width font. No hinting, so no size rounds the two apart.
QFont reportFont(int points)
{
    const QString family = QStringLiteral("WenQuanYi Zen Hei Mono");
    QFont font = QFontDatabase::hasFamily(family) ? QFont(family) : QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setPointSize(points);
    return font;
}

}  // namespace

QString SogouRankExplanation()
{
    return QStringLiteral(
        "网页评级（Sogou Rank）是搜狗衡量网页重要性的指标，不仅考察了网页之间链接\r\n\r\n"
        "关系，同时考察了链接质量、链接之间的相关性等特性，是机器根据Sogou Rank算\r\n\r\n"
        "法自动计算出来的，值从0至100不等。网页评级越高，该网页在搜索中越容易被检\r\n\r\n"
        "索到。\r\n");
}

QString ChinaRankExplanation()
{
    return QStringLiteral(
        "“中国网站排名”计算排名所使用的基础数据均是来源于“《中国网站排名网》数据统计平台”，目前此平台数据来源有两种方式：\r\n"
        "1.通过 《中国网站排名工具条》采集数据。\r\n"
        "2.通过其他合作伙伴的平台采集数据。\r\n"
        "随着《中国网站排名网》的发展，将会有更多合作伙伴通过不同的数据平台提供计算数据。\r\n");
}

Form3::Form3(QWidget *parent, PageSource *pages) : QDialog(parent), pages_(pages)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("各种搜索引擎实际收录网站的情况－澜岫软件"));
    services_ = LoadServiceCatalogue(UserServiceFilePath(), false);
    buildControls();
    placeControls();
    if (!pages_) {
        // The hidden browser inside starts only when a search form is needed.
        network_ = std::make_unique<NetworkPageSource>();
        pages_ = network_.get();
    }

    // Opening: the site file's path, the font size, then the list.
    siteFilePath_ = SiteFilePath();
    Combo1->setCurrentText(QString::number(Text2->font().pointSize()));
    QSettings settings = OpenAppSettings();
    settings.beginGroup(kSettingsGroup);
    selectFontSize(settings.value(kFontSizeKey, QStringLiteral("10")).toString());
    applyFontSize(Combo1->currentText().toInt());
    sites_ = LoadSiteFile(siteFilePath_, &siteFileEncoding_);
    refreshList();
    restoreAddedServiceTicks(settings);
    if (!services_.fault.isEmpty())
        Text2->setPlainText(QStringLiteral("服务定义文件有误，已忽略，只用内置的服务：\n") + services_.fault + u'\n');
}

Form3::~Form3() = default;

void Form3::buildControls()
{
    Label1 = NamedLabel(this, QStringLiteral("Label1"), QStringLiteral("网址列表："));
    Command7 = NamedButton(this, QStringLiteral("Command7"), QStringLiteral("全不选"));
    Command5 = NamedButton(this, QStringLiteral("Command5"), QStringLiteral("全选"));
    Lv1 = new QTreeWidget(this);
    Lv1->setObjectName(QStringLiteral("Lv1"));
    Lv1->setHeaderLabels({QStringLiteral("网址"), QStringLiteral("名称")});
    Lv1->setRootIsDecorated(false);
    Lv1->setEditTriggers(QAbstractItemView::NoEditTriggers);  // entries change through the fields only
    Lv1->setSelectionMode(QAbstractItemView::SingleSelection);
    Lv1->setContextMenuPolicy(Qt::CustomContextMenu);
    Lv1->header()->setSectionsClickable(true);
    Lv1->header()->setStretchLastSection(false);
    Label4 = NamedLabel(this, QStringLiteral("Label4"), QStringLiteral("网址："));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Label5 = NamedLabel(this, QStringLiteral("Label5"), QStringLiteral("名称："));
    Text3 = new QLineEdit(this);
    Text3->setObjectName(QStringLiteral("Text3"));
    Command6 = NamedButton(this, QStringLiteral("Command6"), kAdd);
    Command9 = NamedButton(this, QStringLiteral("Command9"), QStringLiteral("重置"));
    Text4 = new QLineEdit(this);
    Text4->setObjectName(QStringLiteral("Text4"));
    Text4->hide();

    Frame1 = new QGroupBox(QStringLiteral("分析项目选择"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    for (const IndexingService &service : services_.services) {
        Check.append(new QCheckBox(service.caption, Frame1));
        Check.back()->setObjectName(service.checkBox);
    }
    Check[7]->setToolTip(SogouRankExplanation());
    Check[8]->setToolTip(ChinaRankExplanation());
    Check[7]->installEventFilter(this);
    Check[8]->installEventFilter(this);
    Check[7]->setMouseTracking(true);
    Check[8]->setMouseTracking(true);

    Command8 = NamedButton(this, QStringLiteral("Command8"), QStringLiteral("全不选"));
    Command4 = NamedButton(this, QStringLiteral("Command4"), QStringLiteral("全选"));
    Command2 = NamedButton(this, QStringLiteral("Command2"), QStringLiteral("清空"));
    Command1 = NamedButton(this, QStringLiteral("Command1"), QStringLiteral("开始分析"));
    Command3 = NamedButton(this, QStringLiteral("Command3"), QStringLiteral("停止分析"));
    Label2 = NamedLabel(this, QStringLiteral("Label2"), QStringLiteral("字号大小"));
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->addItems({"8", "9", "10", "11", "12", "14", "16", "18"});
    Pb1 = new QProgressBar(this);
    Pb1->setObjectName(QStringLiteral("Pb1"));
    Pb1->setRange(0, 1);
    Pb1->setValue(0);
    Pb1->setTextVisible(false);
    Pb1->setMaximumHeight(8);
    Text2 = new QPlainTextEdit(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text2->setLineWrapMode(QPlainTextEdit::NoWrap);
    Label3 = NamedLabel(this, QStringLiteral("Label3"),
                   QStringLiteral("如发现分析结果有误，请告知澜岫软件（联系邮箱：lanxiu@lanxiu.example.com），谢谢！"));
    Label3->setStyleSheet(QStringLiteral("color: gray"));

    menuLV列表 = new QMenu(QStringLiteral("列表"), this);
    menuLV列表->setObjectName(QStringLiteral("menuLV列表"));
    menu删除 = menuLV列表->addAction(QStringLiteral("删除"));
    menu删除->setObjectName(QStringLiteral("menu删除"));
    menu打开网址 = menuLV列表->addAction(QStringLiteral("打开网址"));
    menu打开网址->setObjectName(QStringLiteral("menu打开网址"));

    connect(Command1, &QPushButton::clicked, this, &Form3::command1Clicked);
    connect(Command3, &QPushButton::clicked, this, &Form3::command3Clicked);
    connect(Command6, &QPushButton::clicked, this, &Form3::command6Clicked);
    connect(Command9, &QPushButton::clicked, this, &Form3::command9Clicked);
    connect(Command4, &QPushButton::clicked, this, [this] { setEngineBoxes(true); });
    connect(Command8, &QPushButton::clicked, this, [this] { setEngineBoxes(false); });
    connect(Command5, &QPushButton::clicked, this, [this] {
        sites_.setAllChecked(true);
        refreshList();
    });
    connect(Command7, &QPushButton::clicked, this, [this] {
        sites_.setAllChecked(false);
        refreshList();
    });
    connect(Command2, &QPushButton::clicked, this, [this] {
        Text2->clear();
        failureReasons_.clear();
    });
    Text2->viewport()->installEventFilter(this);
    connect(Text1, &QLineEdit::returnPressed, Text3, [this] { Text3->setFocus(); });
    connect(Text3, &QLineEdit::returnPressed, this, &Form3::command6Clicked);
    connect(Lv1, &QTreeWidget::itemClicked, this, &Form3::lv1ItemClicked);
    connect(Lv1, &QTreeWidget::itemChanged, this, &Form3::lv1ItemChanged);
    connect(Lv1->header(), &QHeaderView::sectionClicked, this, &Form3::lv1ColumnClicked);
    connect(Lv1, &QWidget::customContextMenuRequested, this, &Form3::lv1ContextMenu);
    connect(menu删除, &QAction::triggered, this, &Form3::menuDeleteTriggered);
    connect(menu打开网址, &QAction::triggered, this, &Form3::menuOpenAddressTriggered);
    connect(Combo1, &QComboBox::activated, this, &Form3::combo1Activated);
}

void Form3::placeControls()
{
    // Left: the site list and its editor. Right: services, buttons, report.
    auto *listHeading = new QHBoxLayout;
    listHeading->addWidget(Label1);
    listHeading->addStretch();
    listHeading->addWidget(Command7);
    listHeading->addWidget(Command5);
    auto *editor = new QGridLayout;
    editor->addWidget(Label4, 0, 0);
    editor->addWidget(Text1, 0, 1, 1, 3);
    editor->addWidget(Label5, 1, 0);
    editor->addWidget(Text3, 1, 1);
    editor->addWidget(Command6, 1, 2);
    editor->addWidget(Command9, 1, 3);
    editor->setColumnStretch(1, 1);
    for (QPushButton *narrow : {Command6, Command9})
        narrow->setMaximumWidth(narrow->fontMetrics().horizontalAdvance(QStringLiteral("添加添加")) + 12);
    auto *left = new QVBoxLayout;
    left->addLayout(listHeading);
    left->addWidget(Lv1, 1);
    left->addLayout(editor);
    left->addWidget(Text4);

    auto *engines = new QGridLayout(Frame1);
    for (int i = 0; i < 9; ++i)
        engines->addWidget(Check[i], i % 3, i / 3);  // three columns of three
    engines->addWidget(Check[9], 3, 2);              // Check10 bottom right
    for (qsizetype i = kBuiltinCount; i < Check.size(); ++i)  // a user's services after the ten
        engines->addWidget(Check[i], int(4 + (i - kBuiltinCount) / 3), int((i - kBuiltinCount) % 3));
    auto *fontSize = new QHBoxLayout;
    fontSize->addStretch();
    fontSize->addWidget(Label2);
    fontSize->addWidget(Combo1);
    auto *firstRow = new QHBoxLayout;
    firstRow->addWidget(Command8);
    firstRow->addWidget(Command4);
    auto *secondRow = new QHBoxLayout;
    secondRow->addWidget(Command2);
    secondRow->addWidget(Command1);
    secondRow->addWidget(Command3);
    auto *buttons = new QVBoxLayout;
    buttons->addLayout(fontSize);
    buttons->addStretch();
    buttons->addLayout(firstRow);
    buttons->addLayout(secondRow);
    auto *top = new QHBoxLayout;
    top->addWidget(Frame1, 1);
    top->addLayout(buttons);
    auto *right = new QVBoxLayout;
    right->addLayout(top);
    right->addWidget(Pb1);
    right->addWidget(Text2, 1);
    right->addWidget(Label3);

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left, 4);
    layout->addLayout(right, 5);
    resize(934, 552);  // 14010 × 8280 twips at 96 dpi
}

cToolTip *Form3::balloonOf(int checkBox) const
{
    return checkBox == 8 || checkBox == 9 ? balloons_[checkBox - 8].get() : nullptr;
}

void Form3::refreshList()
{
    const QSignalBlocker quiet(Lv1);
    Lv1->clear();
    for (const SiteEntry &entry : sites_.entries()) {
        auto *item = new QTreeWidgetItem(Lv1, {entry.Url, entry.Name});
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(0, entry.Checked ? Qt::Checked : Qt::Unchecked);
    }
    if (sites_.sort().on)
        Lv1->header()->setSortIndicator(sites_.sort().column,
                                        sites_.sort().descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    Lv1->header()->setSortIndicatorShown(sites_.sort().on);
    MListView::SetAllColumnWidths(Lv1, MListView::FitContentsAndHeader);
}

void Form3::applyFontSize(int points)
{
    if (points <= 0)
        return;
    QFont listFont = Lv1->font();
    listFont.setPointSize(points);
    Lv1->setFont(listFont);
    Text2->setFont(reportFont(points));
    MListView::SetAllColumnWidths(Lv1, MListView::FitContentsAndHeader);
}

void Form3::combo1Activated() { applyFontSize(Combo1->currentText().toInt()); }

void Form3::selectFontSize(const QString &stored)
{
    // A size that is not offered (set by hand, or by an older version) is
    // added in its place among the others.
    const int points = stored.trimmed().toInt();
    if (points <= 0 || Combo1->findText(QString::number(points)) >= 0) {
        Combo1->setCurrentText(points > 0 ? QString::number(points) : QStringLiteral("10"));
        return;
    }
    int position = 0;
    while (position < Combo1->count() && Combo1->itemText(position).toInt() < points)
        ++position;
    Combo1->insertItem(position, QString::number(points));
    Combo1->setCurrentIndex(position);
}

void Form3::setEngineBoxes(bool ticked)
{
    for (QCheckBox *box : Check)
        box->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

void Form3::setListEditable(bool editable)
{
    // During a run the positions stay as they are; check marks stay usable.
    for (QWidget *widget : {static_cast<QWidget *>(Text1), static_cast<QWidget *>(Text3),
                            static_cast<QWidget *>(Command6), static_cast<QWidget *>(Command9)})
        widget->setEnabled(editable);
    menu删除->setEnabled(editable);
    Lv1->header()->setSectionsClickable(editable);
}

void Form3::lv1ItemChanged(QTreeWidgetItem *item)
{
    sites_.setChecked(Lv1->indexOfTopLevelItem(item), item->checkState(0) == Qt::Checked);
    // A click on the check box toggles it and then reports the click, within
    // one mouse event; Space toggles without a click. The mark lives only
    // until that event is over, so it never eats a later click.
    checkJustToggled_ = true;
    QTimer::singleShot(0, this, [this] { checkJustToggled_ = false; });
}

void Form3::lv1ItemClicked(QTreeWidgetItem *item)
{
    // A click on the check box only toggles the mark.
    if (std::exchange(checkJustToggled_, false) || run_.running())
        return;
    const int position = Lv1->indexOfTopLevelItem(item);
    const SiteEntry &entry = sites_.at(position);
    Text1->setText(entry.Url);
    Text3->setText(entry.Name);
    Text4->setText(QString::number(position + 1));
    clickedKey_ = entry.key();
    Command6->setText(kModify);
}

void Form3::command6Clicked()
{
    if (run_.running())
        return;
    if (TrimSpaces(Text1->text()).isEmpty()) {
        Text1->setFocus();
        return;
    }
    Text1->setText(SiteList::cleanAddress(Text1->text()));
    const bool modifying = Command6->text() == kModify;
    Command6->setText(kAdd);
    const SiteEditResult result = modifying ? sites_.modify(clickedKey_, Text1->text(), Text3->text())
                                            : sites_.add(Text1->text(), Text3->text());
    if (result == SiteEditResult::EmptyAddress) {
        Text1->setFocus();
        return;
    }
    Text4->clear();
    Text1->clear();
    Text3->clear();
    refreshList();
    Text1->setFocus();
}

void Form3::command9Clicked()
{
    Command6->setText(kAdd);
    Text4->clear();
    Text1->clear();
    Text3->clear();
}

void Form3::lv1ColumnClicked(int column)
{
    if (run_.running())
        return;
    sites_.sortByHeader(column);
    refreshList();
}

void Form3::lv1ContextMenu(const QPoint &position)
{
    menuLV列表->popup(Lv1->viewport()->mapToGlobal(position));
}

void Form3::menuDeleteTriggered()
{
    if (run_.running())
        return;
    const int position = Lv1->currentItem() && Lv1->currentItem()->isSelected()
        ? Lv1->indexOfTopLevelItem(Lv1->currentItem())
        : -1;
    if (position >= 0) {
        sites_.remove(position);
        refreshList();
    }
    command9Clicked();
}

void Form3::menuOpenAddressTriggered()
{
    QTreeWidgetItem *item = Lv1->currentItem();
    if (!item || !item->isSelected())
        return;
    QString address = sites_.at(Lv1->indexOfTopLevelItem(item)).Url;
    if (!address.contains(QLatin1String("://")))
        address.prepend(QStringLiteral("http://"));
    const QUrl url(address);
    // Only web addresses are ever handed to the browser.
    if (url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")))
        QDesktopServices::openUrl(url);
}

void Form3::command3Clicked() { StopRequested.request(); }

void Form3::command1Clicked()
{
    run_.begin();
    Command1->setEnabled(false);
    Text2->setEnabled(false);
    setListEditable(false);
    QSettings settings = OpenAppSettings();
    IndexingRunContext context;
    context.services = services_.services;
    context.baseUrls = ServiceBaseUrls(settings, services_.services);
    context.ticked = [this](const IndexingService &service) {
        return findChild<QCheckBox *>(service.checkBox)->checkState() == Qt::Checked;
    };
    TextBoxRunOutput output(Text2, Pb1);
    const QList<SiteResults> results = RunIndexingAnalysis(sites_, context, *pages_, output, StopRequested);
    for (const SiteResults &site : results)
        for (const ServiceResult &result : site.results)
            if (!result.value)
                failureReasons_.insert(result.reportLine, result.failure);
    Command1->setEnabled(true);
    Text2->setEnabled(true);
    setListEditable(true);
    run_.end();
}

bool Form3::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Text2->viewport() && event->type() == QEvent::ToolTip) {
        showFailureReason(static_cast<QHelpEvent *>(event));
        return true;
    }
    if (event->type() == QEvent::MouseMove) {
        if (watched == Check[7])
            createBalloon(0);
        else if (watched == Check[8])
            createBalloon(1);
    }
    return QDialog::eventFilter(watched, event);
}

void Form3::showFailureReason(QHelpEvent *event)
{
    const QString line = Text2->cursorForPosition(event->pos()).block().text();
    const QString reason = failureReasons_.value(line);
    if (reason.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(event->globalPos(), kQueryFailed + QStringLiteral("：") + reason, Text2->viewport());
}

void Form3::restoreAddedServiceTicks(const QSettings &settings)
{
    const QStringList ticked = settings.value(kAddedServicesKey).toStringList();
    for (qsizetype i = kBuiltinCount; i < Check.size(); ++i)
        Check[i]->setChecked(ticked.contains(services_.services[i].settingsKey));
}

void Form3::storeAddedServiceTicks(QSettings &settings)
{
    // Kept with the keys of services no longer in the file, should it come back.
    QStringList ticked = settings.value(kAddedServicesKey).toStringList();
    for (qsizetype i = kBuiltinCount; i < Check.size(); ++i) {
        ticked.removeAll(services_.services[i].settingsKey);
        if (Check[i]->isChecked())
            ticked.append(services_.services[i].settingsKey);
    }
    settings.setValue(kAddedServicesKey, ticked);
}

void Form3::createBalloon(int index)
{
    if (balloons_[index])
        return;
    QCheckBox *box = Check[7 + index];
    const QString text = box->toolTip();
    box->setToolTip(QString());  // from now on only the balloon shows
    balloons_[index] = std::make_unique<cToolTip>();
    balloons_[index]->Create(box, text, 65, false, 1, box->text(), 255, 0xC0FFC0, -1, 30000);
}

void Form3::reject() { FrameOf(this)->close(); }

void Form3::closeEvent(QCloseEvent *event)
{
    if (run_.deferClose(event))
        return;
    const SiteFileSave save = SaveSiteFile(sites_, siteFilePath_, siteFileEncoding_);
    if (!save.ok)
        QMessageBox::warning(this, AppIdentity::title(), save.errorText);
    QSettings settings = OpenAppSettings();
    settings.beginGroup(kSettingsGroup);
    settings.setValue(kFontSizeKey, Combo1->currentText());
    storeAddedServiceTicks(settings);
    balloons_[1].reset();
    balloons_[0].reset();
    event->accept();
    QDialog::reject();
}
