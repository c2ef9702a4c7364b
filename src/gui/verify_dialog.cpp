#include "gui/verify_dialog.h"

#include "core/command_context.h"
#include "gui/cut_text_tips.h"
#include "gui/page_parts.h"
#include "install/found_content.h"
#include "platform/dialogs.h"
#include "platform/status_sink.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

/// A list of several columns whose rows can be picked by mouse or keys.
QTreeWidget* resultList(const QString& name, const QString& accessibleName,
                        const QStringList& headings) {
    auto* list = new QTreeWidget;
    list->setObjectName(name);
    list->setAccessibleName(accessibleName);
    list->setColumnCount(int(headings.size()));
    list->setHeaderLabels(headings);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->header()->setStretchLastSection(true);
    page_parts::showFocusFrame(list);
    return list;
}

QPushButton* button(const QString& caption, const QString& name) {
    auto* b = new QPushButton(caption);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

/// A titled group: the list above, its buttons below at the right.
QGroupBox* group(const QString& title, QTreeWidget* list, const QList<QPushButton*>& buttons) {
    auto* box = new QGroupBox(title);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(list, 1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (QPushButton* b : buttons)
        row->addWidget(b);
    layout->addLayout(row);
    return box;
}

/// The names an action is about to change, a few lines at most.
QString namesText(const QStringList& names) {
    constexpr qsizetype Shown = 8;
    QString text = names.mid(0, Shown).join(u"\r"_s);
    if (names.size() > Shown)
        text += u"\r... and "_s + QString::number(names.size() - Shown) + u" more"_s;
    return text;
}

void addRow(QTreeWidget* list, qsizetype index, const QStringList& cells) {
    auto* item = new QTreeWidgetItem(list, cells);
    item->setData(0, Qt::UserRole, QVariant::fromValue(index));
}

} // namespace

VerifyDialog::VerifyDialog(CommandContext& context, Runner run, std::function<void()> listsChanged,
                           QWidget* parent)
    : QDialog(parent), ctx_(context), run_(std::move(run)), listsChanged_(std::move(listsChanged)) {
    setObjectName(u"VerifyDialog"_s);
    setWindowTitle(u"Verify installation"_s);
    setModal(true);
    setSizeGripEnabled(true);
    resize(640, 520);

    Summary = new QLabel;
    Summary->setObjectName(u"Summary"_s);
    Summary->setWordWrap(true);
    MissingList = resultList(u"MissingList"_s, u"Installed content with missing files"_s,
                             {u"Name"_s, u"Page"_s, u"Missing files"_s});
    CountList = resultList(u"CountList"_s, u"Shared file counts that disagree"_s,
                           {u"File"_s, u"Count"_s, u"Users"_s, u"Problem"_s});
    AdoptList = resultList(u"AdoptList"_s, u"Content found in the game"_s,
                           {u"Name"_s, u"Page"_s, u"Files"_s});
    bReinstall = button(u"&Reinstall"_s, u"bReinstall"_s);
    bMarkNotInstalled = button(u"Mark as &not installed"_s, u"bMarkNotInstalled"_s);
    bRepairCounts = button(u"Repair &counts"_s, u"bRepairCounts"_s);
    bAdopt = button(u"Mark as &installed"_s, u"bAdopt"_s);
    bClose = button(u"C&lose"_s, u"bClose"_s);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Summary);
    layout->addWidget(group(u"Installed content with missing files"_s, MissingList,
                            {bReinstall, bMarkNotInstalled}),
                      3);
    layout->addWidget(group(u"Shared file counts that disagree"_s, CountList, {bRepairCounts}), 2);
    layout->addWidget(group(u"Found in the game but not marked installed"_s, AdoptList, {bAdopt}),
                      2);
    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch(1);
    closeRow->addWidget(bClose);
    layout->addLayout(closeRow);

    for (QTreeWidget* list : {MissingList, CountList, AdoptList})
        connect(list, &QTreeWidget::itemSelectionChanged, this, [this] { updateButtons(); });
    connect(bReinstall, &QPushButton::clicked, this, [this] { ReinstallClick(); });
    connect(bMarkNotInstalled, &QPushButton::clicked, this, [this] { MarkNotInstalledClick(); });
    connect(bRepairCounts, &QPushButton::clicked, this, [this] { RepairCountsClick(); });
    connect(bAdopt, &QPushButton::clicked, this, [this] { AdoptClick(); });
    connect(bClose, &QPushButton::clicked, this, &QDialog::reject);
    updateButtons();
    CutTextTips::install(this);
}

void VerifyDialog::showReport(const install::VerifyReport& report) {
    report_ = report;
    Summary->setText(install::summaryText(report).trimmed());
    MissingList->clear();
    for (qsizetype i = 0; i < report.missing.size(); ++i) {
        const install::MissingFiles& m = report.missing[i];
        addRow(MissingList, i,
               {m.entry.name, install::pageText(m.page),
                m.missing.join(u", "_s) + (m.canReinstall() ? QString() : u" (archive gone)"_s)});
    }
    CountList->clear();
    for (qsizetype i = 0; i < report.counts.size(); ++i) {
        const install::CountDrift& c = report.counts[i];
        addRow(CountList, i,
               {c.fileName, QString::number(c.count), QString::number(c.users),
                install::problemText(c.problem)});
    }
    AdoptList->clear();
    for (qsizetype i = 0; i < report.adoptable.size(); ++i) {
        const install::Adoptable& a = report.adoptable[i];
        addRow(AdoptList, i, {a.entry.name, install::pageText(a.page), a.files.join(u", "_s)});
    }
    showOriginals(report.originals);
    for (QTreeWidget* list : {MissingList, CountList, AdoptList}) {
        list->resizeColumnToContents(0);
        // The keyboard starts on the first row of a list that has rows.
        if (list->topLevelItemCount() > 0)
            list->setCurrentItem(list->topLevelItem(0), 0, QItemSelectionModel::NoUpdate);
    }
    updateButtons();
}

QList<qsizetype> VerifyDialog::selectedRows(const QTreeWidget* list) {
    QList<qsizetype> rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        if (item->isSelected())
            rows.append(item->data(0, Qt::UserRole).value<qsizetype>());
    }
    return rows;
}

void VerifyDialog::updateButtons() {
    const QList<qsizetype> missing = selectedRows(MissingList);
    bReinstall->setEnabled(std::any_of(missing.begin(), missing.end(), [this](qsizetype i) {
        return report_.missing[i].canReinstall();
    }));
    bMarkNotInstalled->setEnabled(!missing.isEmpty());
    bRepairCounts->setEnabled(!selectedRows(CountList).isEmpty());
    bAdopt->setEnabled(!selectedRows(AdoptList).isEmpty());
    if (bPutBack)
        bPutBack->setEnabled(!selectedRows(OriginalsList).isEmpty());
}

void VerifyDialog::verifyAgain() {
    install::VerifyReport report;
    // The status bar keeps what the action said; the summary shows the rest.
    if (run_(CommandBoundary::Long,
             [this, &report] { report = install::VerifyInstallation(ctx_); }))
        showReport(report);
}

bool VerifyDialog::confirm(const QString& question, const QStringList& names,
                           const QString& effect) {
    return ctx_.dialogs.message(platform::MsgKind::Confirmation,
                                question + u"\r\r"_s + namesText(names) + u"\r\r"_s + effect,
                                platform::Yes | platform::No, QPoint(50, 125)) == platform::Yes;
}

void VerifyDialog::ReinstallClick() {
    QList<install::MissingFiles> chosen;
    QStringList names;
    for (const qsizetype i : selectedRows(MissingList)) {
        if (report_.missing[i].canReinstall()) {
            chosen.append(report_.missing[i]);
            names.append(report_.missing[i].entry.name);
        }
    }
    if (chosen.isEmpty() ||
        !confirm(u"Reinstall "_s + QString::number(chosen.size()) + u" archive(s)?"_s, names,
                 u"The files they alone placed in the game are deleted, then each archive is "_s
                 u"installed again."_s))
        return;
    QList<install::ReinstallRun> runs;
    const bool ran = run_(CommandBoundary::Long, [this, &chosen, &runs] {
        runs = install::ReinstallArchives(ctx_, chosen);
        listsChanged_();
    });
    // As after "Install": the messages come once the window is no longer busy.
    if (ran)
        run_(CommandBoundary::Quick, [this, &runs] {
            for (const install::ReinstallRun& r : std::as_const(runs))
                install::FinishInstall(ctx_, r.page, r.result);
        });
    verifyAgain();
}

void VerifyDialog::MarkNotInstalledClick() {
    QList<install::MissingFiles> chosen;
    QStringList names;
    for (const qsizetype i : selectedRows(MissingList)) {
        chosen.append(report_.missing[i]);
        names.append(report_.missing[i].entry.name);
    }
    if (chosen.isEmpty() ||
        !confirm(u"Mark "_s + QString::number(chosen.size()) + u" archive(s) as not installed?"_s,
                 names,
                 u"No file is deleted: only the records and the shared file counts change."_s))
        return;
    run_(CommandBoundary::Long, [this, &chosen] {
        const int changed = install::MarkNotInstalled(ctx_, chosen);
        listsChanged_();
        ctx_.status.setStatus(u"  Marked "_s + QString::number(changed) +
                              u" archive(s) as not installed."_s);
    });
    verifyAgain();
}

void VerifyDialog::RepairCountsClick() {
    QStringList names;
    for (const qsizetype i : selectedRows(CountList))
        names.append(report_.counts[i].fileName);
    if (names.isEmpty() ||
        !confirm(u"Repair "_s + QString::number(names.size()) +
                     u" shared file count(s) in sharedfiles.dat?"_s,
                 names, u"Each is set to the number of installed archives that use the file."_s))
        return;
    run_(CommandBoundary::Long, [this, &names] { install::RepairCounts(ctx_, names); });
    verifyAgain();
}

void VerifyDialog::AdoptClick() {
    QList<install::Adoptable> chosen;
    QStringList names;
    for (const qsizetype i : selectedRows(AdoptList)) {
        chosen.append(report_.adoptable[i]);
        names.append(report_.adoptable[i].entry.name);
    }
    if (chosen.isEmpty() || !confirm(u"Mark "_s + QString::number(chosen.size()) +
                                         u" archive(s) found in the game as installed?"_s,
                                     names, u"Nothing is copied: only the records change."_s))
        return;
    run_(CommandBoundary::Long, [this, &chosen] {
        const int marked = install::AdoptFound(ctx_, chosen);
        listsChanged_();
        ctx_.status.setStatus(u"  Marked "_s + QString::number(marked) +
                              u" archive(s) as installed."_s);
    });
    verifyAgain();
}

void VerifyDialog::showOriginals(const QList<install::StrayOriginal>& originals) {
    if (!OriginalsList) {
        if (originals.isEmpty())
            return;
        OriginalsList = resultList(u"OriginalsList"_s, u"The game's own files kept for nothing"_s,
                                   {u"File"_s, u"Size"_s, u"Kept as"_s});
        bPutBack = button(u"&Put back"_s, u"bPutBack"_s);
        auto* outer = static_cast<QVBoxLayout*>(layout());
        // Above the row of the close button.
        outer->insertWidget(outer->count() - 1,
                            group(u"The game's own files kept that no installed archive needs"_s,
                                  OriginalsList, {bPutBack}),
                            2);
        connect(OriginalsList, &QTreeWidget::itemSelectionChanged, this,
                [this] { updateButtons(); });
        connect(bPutBack, &QPushButton::clicked, this, [this] { PutBackClick(); });
    }
    OriginalsList->clear();
    for (qsizetype i = 0; i < originals.size(); ++i) {
        const install::StrayOriginal& o = originals[i];
        addRow(OriginalsList, i, {o.gamePath, QLocale::system().formattedDataSize(o.size), o.kept});
    }
    OriginalsList->resizeColumnToContents(0);
    if (OriginalsList->topLevelItemCount() > 0)
        OriginalsList->setCurrentItem(OriginalsList->topLevelItem(0), 0,
                                      QItemSelectionModel::NoUpdate);
}

void VerifyDialog::PutBackClick() {
    QStringList paths;
    for (const qsizetype i : selectedRows(OriginalsList))
        paths.append(report_.originals[i].gamePath);
    if (paths.isEmpty() ||
        !confirm(u"Put "_s + QString::number(paths.size()) +
                     u" of the game's own file(s) back into the game?"_s,
                 paths,
                 u"Each replaces the file of that name in the game, and its kept copy leaves "_s
                 u"the data folder."_s))
        return;
    run_(CommandBoundary::Long, [this, &paths] {
        const int back = install::PutBackOriginals(ctx_, paths);
        ctx_.status.setStatus(u"  Put back "_s + QString::number(back) +
                              u" of the game's own file(s)."_s);
    });
    verifyAgain();
}
