#include "gui/help_window.h"

#include "gui/desktop_opener.h"

#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QShortcut>
#include <QSplitter>
#include <QTextBrowser>
#include <QTextDocumentFragment>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

const QString HelpWindow::DocumentUrl = u"qrc:/help/index.html"_s;

namespace {

/// Reads the help document out of the program.
QString documentHtml() {
    QFile file(u":/help/index.html"_s);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

/// The text browser reads the document with its ids made anchors.
class HelpBrowser : public QTextBrowser {
public:
    QVariant loadResource(int type, const QUrl& name) override {
        if (type == QTextDocument::HtmlResource &&
            name.adjusted(QUrl::RemoveFragment) == QUrl(HelpWindow::DocumentUrl))
            return HelpWindow::withAnchors(documentHtml());
        return QTextBrowser::loadResource(type, name);
    }
};

QToolButton* toolButton(const QString& caption, const QString& name, const QString& tip) {
    auto* b = new QToolButton;
    b->setText(caption);
    b->setObjectName(name);
    b->setToolTip(tip);
    b->setAutoRaise(true);
    return b;
}

bool isOutside(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return !scheme.isEmpty() && scheme != u"qrc"_s;
}

} // namespace

HelpWindow::HelpWindow(DesktopOpener& opener, QWidget* parent)
    : QWidget(parent, Qt::Window), opener_(opener) {
    setObjectName(u"HelpWindow"_s);
    setWindowTitle(u"Quorvel help"_s);
    resize(780, 560);

    buildBrowser();
    buildContentsTree();
    auto* bar = buildHistoryBar();
    bar->addStretch(1);
    bar->addLayout(buildFindBar());
    auto* split = new QSplitter;
    split->addWidget(HelpContents);
    split->addWidget(HelpText);
    split->setStretchFactor(1, 1);
    split->setSizes({200, 580});
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(split, 1);

    const QString html = documentHtml();
    buildContents(html);
    HelpText->setSource(QUrl(DocumentUrl));
    // The first page is home: nothing to go back to yet.
    HelpText->clearHistory();
}

void HelpWindow::buildBrowser() {
    HelpText = new HelpBrowser;
    HelpText->setObjectName(u"HelpText"_s);
    HelpText->setAccessibleName(u"Help text"_s);
    // Every link comes here: inside ones are followed, outside ones go to
    // the desktop.
    HelpText->setOpenLinks(false);
    HelpText->setOpenExternalLinks(false);
    connect(HelpText, &QTextBrowser::anchorClicked, this, &HelpWindow::linkClicked);
}

void HelpWindow::buildContentsTree() {
    HelpContents = new QTreeWidget;
    HelpContents->setObjectName(u"HelpContents"_s);
    HelpContents->setAccessibleName(u"Help contents"_s);
    HelpContents->header()->hide();
    HelpContents->setColumnCount(1);
    connect(HelpContents, &QTreeWidget::itemActivated, this, &HelpWindow::sectionChosen);
    connect(HelpContents, &QTreeWidget::itemClicked, this, &HelpWindow::sectionChosen);
}

QHBoxLayout* HelpWindow::buildHistoryBar() {
    bBack = toolButton(u"< &Back"_s, u"bBack"_s, u"Back (Alt+Left)"_s);
    bForward = toolButton(u"&Forward >"_s, u"bForward"_s, u"Forward (Alt+Right)"_s);
    bBack->setEnabled(false);
    bForward->setEnabled(false);
    connect(bBack, &QToolButton::clicked, HelpText, &QTextBrowser::backward);
    connect(bForward, &QToolButton::clicked, HelpText, &QTextBrowser::forward);
    connect(HelpText, &QTextBrowser::backwardAvailable, bBack, &QToolButton::setEnabled);
    connect(HelpText, &QTextBrowser::forwardAvailable, bForward, &QToolButton::setEnabled);
    new QShortcut(QKeySequence::Back, this, [this] { HelpText->backward(); });
    new QShortcut(QKeySequence::Forward, this, [this] { HelpText->forward(); });
    auto* bar = new QHBoxLayout;
    bar->addWidget(bBack);
    bar->addWidget(bForward);
    return bar;
}

QHBoxLayout* HelpWindow::buildFindBar() {
    auto* findLabel = new QLabel(u"F&ind:"_s);
    FindText = new QLineEdit;
    FindText->setObjectName(u"FindText"_s);
    FindText->setAccessibleName(u"Find in page"_s);
    FindText->setClearButtonEnabled(true);
    findLabel->setBuddy(FindText);
    auto* bFindNext = toolButton(u"&Next"_s, u"bFindNext"_s, u"Next (Enter, F3)"_s);
    auto* bFindPrevious =
        toolButton(u"&Previous"_s, u"bFindPrevious"_s, u"Previous (Shift+Enter, Shift+F3)"_s);
    FindStatus = new QLabel;
    FindStatus->setObjectName(u"FindStatus"_s);
    // Room for its longest word, so the bar does not jump as it changes.
    FindStatus->setMinimumWidth(FindStatus->fontMetrics().horizontalAdvance(u"From the end"_s) + 8);
    connect(FindText, &QLineEdit::returnPressed, this, [this] { findNext(false); });
    connect(FindText, &QLineEdit::textChanged, this, [this] { FindStatus->clear(); });
    connect(bFindNext, &QToolButton::clicked, this, [this] { findNext(false); });
    connect(bFindPrevious, &QToolButton::clicked, this, [this] { findNext(true); });
    new QShortcut(QKeySequence::Find, this, [this] {
        FindText->setFocus();
        FindText->selectAll();
    });
    new QShortcut(QKeySequence::FindNext, this, [this] { findNext(false); });
    new QShortcut(QKeySequence::FindPrevious, this, [this] { findNext(true); });
    new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Return), FindText, [this] { findNext(true); });

    auto* bar = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(findLabel), static_cast<QWidget*>(FindText),
                       static_cast<QWidget*>(bFindNext), static_cast<QWidget*>(bFindPrevious),
                       static_cast<QWidget*>(FindStatus)})
        bar->addWidget(w);
    return bar;
}

QString HelpWindow::withAnchors(const QString& html) {
    // <h2 id="x" ...> becomes <h2 ...><a name="x"></a>: the browser goes
    // to named anchors.
    static const QRegularExpression idAttribute(
        uR"re(<([a-zA-Z][a-zA-Z0-9]*)([^>]*?)\sid="([^"]+)"([^>]*)>)re"_s);
    QString out = html;
    out.replace(idAttribute, uR"re(<\1\2\4><a name="\3"></a>)re"_s);
    return out;
}

QList<HelpWindow::Section> HelpWindow::sections(const QString& html) {
    static const QRegularExpression heading(
        uR"re(<h([23])\s[^>]*id="([^"]+)"[^>]*>(.*?)</h\1>)re"_s,
        QRegularExpression::DotMatchesEverythingOption);
    QList<Section> out;
    for (const QRegularExpressionMatch& m : heading.globalMatch(html)) {
        const QString title =
            QTextDocumentFragment::fromHtml(m.captured(3)).toPlainText().simplified();
        out.append({m.captured(2), title, m.captured(1).toInt()});
    }
    return out;
}

void HelpWindow::buildContents(const QString& html) {
    HelpContents->clear();
    QTreeWidgetItem* chapter = nullptr;
    for (const Section& s : sections(html)) {
        // The document's own list of contents is what this tree shows.
        if (s.anchor == u"contents"_s)
            continue;
        QTreeWidgetItem* item = s.level == 3 && chapter ? new QTreeWidgetItem(chapter)
                                                        : new QTreeWidgetItem(HelpContents);
        if (s.level == 2 || !chapter)
            chapter = item;
        item->setText(0, s.title);
        item->setToolTip(0, s.title);
        item->setData(0, Qt::UserRole, s.anchor);
    }
}

void HelpWindow::showTopic(const QString& anchor) {
    QUrl url(DocumentUrl);
    if (!anchor.isEmpty())
        url.setFragment(anchor);
    if (!anchor.isEmpty() || HelpText->source().isEmpty())
        HelpText->setSource(url);
    show();
    raise();
    activateWindow();
}

void HelpWindow::sectionChosen(QTreeWidgetItem* item) {
    if (item)
        showTopic(item->data(0, Qt::UserRole).toString());
}

void HelpWindow::linkClicked(const QUrl& url) {
    if (isOutside(url)) {
        opener_.open(url.toString(), u"Copy the address into a web browser to read the page."_s);
        return;
    }
    HelpText->setSource(HelpText->source().resolved(url));
}

void HelpWindow::findNext(bool backward) {
    const QString text = FindText->text();
    if (text.isEmpty())
        return;
    const QTextDocument::FindFlags flags =
        backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (HelpText->find(text, flags)) {
        FindStatus->clear();
        return;
    }
    // Once round from the other end.
    QTextCursor cursor = HelpText->textCursor();
    cursor.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
    HelpText->setTextCursor(cursor);
    if (HelpText->find(text, flags))
        FindStatus->setText(backward ? u"From the end"_s : u"From the top"_s);
    else
        FindStatus->setText(u"Not found"_s);
}
