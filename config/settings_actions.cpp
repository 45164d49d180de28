#include "config/settings_actions.h"

#include <filesystem>
#include <vector>

#include "common/gbk.h"
#include "common/standard_messages.h"
#include "config/settings_texts.h"

namespace qinghe {

namespace {

namespace fs = std::filesystem;

// One error naming every file that could not be written, one a line.
void tellNotWritten(UserInteraction& user, const std::string& text,
                    const std::vector<fs::path>& files) {
    std::string message = text;
    for (const fs::path& file : files) message += "\r\n" + pathToGbk(file);
    showError(user, std::move(message));
}

bool reportWrite(const SettingsPageContext& page, bool written, const fs::path& file) {
    if (!written) tellNotWritten(page.user, settings_texts::kSettingsNotSaved, {file});
    return written;
}

bool changeStartWithComputer(const SettingsPageContext& page, bool ticked) {
    const bool stored = reportWrite(page, setStartWithComputer(page.run, page.settings, ticked),
                                    systemIniFile(page.run));
    // Without an autostart folder the desktop has no such thing; only the flag is kept.
    if (page.autostart.folder.empty()) return stored;
    const bool entry = reportWrite(page,
                                   setAutostart(page.autostart.folder, page.autostart.executable,
                                                ticked, page.autostart.dataFolder),
                                   page.autostart.entry());
    return stored && entry;
}

}  // namespace

bool changeSettingSwitch(const SettingsPageContext& page, SettingSwitch which, bool ticked) {
    bool written = false;
    switch (which) {
        case SettingSwitch::HideWelcome:
            written = setWelcomeHidden(page.run, page.settings, ticked);
            break;
        case SettingSwitch::VisualGuidance:
            written = setVisualGuidance(page.run, page.settings, ticked);
            break;
        case SettingSwitch::StartWithComputer:
            return changeStartWithComputer(page, ticked);
        case SettingSwitch::StartInBackground:
            written = setStartInBackground(page.run, page.settings, ticked);
            break;
        case SettingSwitch::IdleLock:
            written = setIdleLock(page.run, page.settings, ticked);
            break;
    }
    return reportWrite(page, written, systemIniFile(page.run));
}

bool changeIdleMinutes(const SettingsPageContext& page, std::string_view text) {
    return reportWrite(page, setIdleMinutesText(page.run, page.settings, text),
                       systemIniFile(page.run));
}

bool saveAllSettings(const SettingsPageContext& page) {
    const struct {
        bool (*save)(const RunDirectory&, const Settings&);
        fs::path file;
    } files[] = {
        {saveSettings, systemIniFile(page.run)},
        {saveItemLists, itemsIniFile(page.run)},
        {saveInitialBalance, balanceIniFile(page.run)},
        {saveMemberList, membersIniFile(page.run)},
    };
    std::vector<fs::path> failed;
    for (const auto& [save, file] : files) {
        if (!save(page.run, page.settings)) failed.push_back(file);
    }
    if (!failed.empty()) {
        tellNotWritten(page.user, settings_texts::kSettingsNotSaved, failed);
        return false;
    }
    page.user.showMessage({settings_texts::kSettingsSaved, texts::kSuccessTitle,
                           MessageIcon::Information, MessageButtons::Ok});
    return true;
}

bool restoreDefaults(const SettingsPageContext& page, const std::function<bool()>& keepSettings) {
    if (page.user.showMessage({settings_texts::kConfirmRestoreDefaults,
                               settings_texts::kRestoreDefaultsTitle, MessageIcon::Warning,
                               MessageButtons::OkCancel}) != MessageAnswer::Ok) {
        return false;
    }
    if (!keepSettings()) return false;
    if (!restoreDefaultSettings(page.run)) {
        tellNotWritten(page.user, settings_texts::kDefaultsNotRestored, {setupFolder(page.run)});
        return false;
    }
    // The default is not to start with the computer: an entry left behind
    // would start the program all the same.
    if (!page.autostart.folder.empty() &&
        !setAutostart(page.autostart.folder, page.autostart.executable, false)) {
        tellNotWritten(page.user, settings_texts::kDefaultsNotRestored, {page.autostart.entry()});
    }
    page.user.showMessage({settings_texts::kDefaultsRestored,
                           settings_texts::kDefaultsRestoredTitle, MessageIcon::Information,
                           MessageButtons::Ok});
    page.user.endProgram();
    return true;
}

}  // namespace qinghe
