#include "gui/config_page.h"

#include "core/command_boundary.h"
#include "core/command_context.h"
#include "core/data_folder.h"
#include "core/settings_file.h"
#include "gui/value_list_editor.h"
#include "platform/dialogs.h"
#include "platform/status_sink.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

ConfigPage::ConfigPage(CommandContext& context, CommandBoundary& commands, QWidget* parent)
    : QWidget(parent), ctx_(context), commands_(commands) {
    setObjectName(u"TabConfig"_s);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 6, 4, 6);
    VLE = new ValueListEditor;
    VLE->setObjectName(u"VLE"_s);
    VLE->setAccessibleName(u"Settings"_s);
    VLE->setKeys(settings_file::settingRowNames());
    VLE->setFixedHeight(20 * 10 + 4);
    layout->addWidget(VLE);
    auto* bottom = new QHBoxLayout;
    auto* notes = new QVBoxLayout;
    notes->addWidget(new QLabel(u"Read more in the help-file about the options."_s));
    notes->addWidget(new QLabel(u"Don't mess up with the directory settings"_s));
    bottom->addLayout(notes, 1);
    bConfigSave = new QPushButton(u"Save"_s);
    bConfigSave->setObjectName(u"bConfigSave"_s);
    bottom->addWidget(bConfigSave, 0, Qt::AlignTop);
    layout->addLayout(bottom);
    layout->addStretch(1);

    connect(bConfigSave, &QPushButton::clicked, this, [this] {
        commands_.run(CommandBoundary::Quick, CommandBoundary::Writes,
                      [this] { bConfigSaveClick(); });
    });
    connect(VLE, &ValueListEditor::editButtonClicked, this, [this] {
        commands_.run(CommandBoundary::Quick, CommandBoundary::Reads,
                      [this] { VLEEditButtonClick(); });
    });
}

void ConfigPage::prepareConfigEditor() {
    using Style = ValueListEditor::EditStyle;
    for (int row = GameDirRow; row <= DemosDirRow; ++row)
        VLE->setEditStyle(row, Style::Ellipsis);
    VLE->setEditStyle(SubDirsRow, Style::PickList, {u"Yes"_s, u"No"_s});
    VLE->setEditStyle(OverwriteRow, Style::PickList, {u"Always"_s, u"Ask me"_s});
    VLE->setEditStyle(ExtraFilesRow, Style::PickList, {u"Yes"_s, u"No"_s});
    VLE->setEditStyle(AdditionalGamesRow, Style::Text);
}

void ConfigPage::showFirstRunDefaults(const QString& gameDir) {
    showRows(data_folder::FirstRunRows(gameDir));
}

void ConfigPage::showRows(const QStringList& values) {
    for (int i = 0; i < values.size() && i < AdditionalGamesRow; ++i)
        VLE->setValue(GameDirRow + i, values[i]);
}

void ConfigPage::TabConfigShow() {
    // Row 4 first, then row 1, so the editor redraws with row 1 current.
    VLE->setRow(MutatorDirRow);
    VLE->setRow(GameDirRow);
    ctx_.status.setStatus(u"  Make your settings"_s);
}

void ConfigPage::bConfigSaveClick() {
    QStringList values;
    for (int row = GameDirRow; row <= AdditionalGamesRow; ++row)
        values.append(VLE->value(row));
    if (data_folder::SaveSettings(ctx_, values))
        Q_EMIT saved();
}

void ConfigPage::VLEEditButtonClick() {
    static const QStringList prompts = {
        u"Set your UT2004 main directory."_s, u"Where's your Custom Maps saved?"_s,
        u"Where's your Custom skins saved?"_s, u"Where do you store Mutators?"_s,
        u"And your cool Demos are?"_s};
    const int row = VLE->row();
    if (row < GameDirRow || row > DemosDirRow)
        return;
    const QString folder = ctx_.dialogs.chooseFolder(prompts[row - 1], QString(), false);
    if (!folder.isEmpty())
        VLE->setValue(row, folder);
    VLE->setRow(row + 1);
}
