// Draws every page of the main window into PNG files for the documentation:
//   qinghe-screens [--scale F] [folder]   (default: docs/screenshots)
// the pages at the window's default size (800×613) and, in 1920x1080/, at the
// size of a window maximised on a full-HD screen, then the dialogs. With a
// scale factor other than 1 (--scale, or QT_SCALE_FACTOR) it draws the pages
// into xF/ and the help window as help-xF.png, to show how they look on a
// HiDPI screen.
// Runs over a temporary run directory with a few sample ledgers, made and
// opened by the program's own flows, and answers every question with OK, so it
// needs neither a display nor a login.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "app/change_password_dialog.h"
#include "app/cjk_font.h"
#include "app/entry_actions.h"
#include "app/help_window.h"
#include "app/lock_actions.h"
#include "app/main_window.h"
#include "app/qt_translations.h"
#include "app/report_actions.h"
#include "app/shortcuts_dialog.h"
#include "app/user_guide.h"
#include "app/window_ledger_view.h"
#include "common/clock.h"
#include "common/non_interactive_user.h"
#include "common/number_text.h"
#include "common/run_directory.h"
#include "common/ui/gbk_text.h"
#include "config/name_lists.h"
#include "config/settings.h"
#include "config/ui/name_list_dialog.h"
#include "config/ui/settings_page.h"
#include "entry/add_entry.h"
#include "entry/entry_changes.h"
#include "entry/entry_window.h"
#include "entry/image_codec.h"
#include "entry/ui/add_entry_window.h"
#include "entry/ui/entry_page.h"
#include "entry/ui/entry_window_dialog.h"
#include "entry/ui/voucher_strip_widget.h"
#include "entry/ui/voucher_viewer_dialog.h"
#include "entry/voucher_strip.h"
#include "import/bill_preview.h"
#include "import/bill_source.h"
#include "import/ui/bill_import_dialog.h"
#include "ledger/ledger_lifecycle.h"
#include "ledger/ledger_opening.h"
#include "ledger/ui/ledger_list_model.h"
#include "ledger/ui/ledger_page.h"
#include "maintenance/backup.h"
#include "maintenance/maintenance_actions.h"
#include "maintenance/ui/backup_dialog.h"
#include "maintenance/ui/restore_choice_dialog.h"
#include "report/ui/export_choice_dialog.h"
#include "report/ui/query_page.h"
#include "report/ui/statistics_page.h"
#include "session/app_state.h"
#include "shell/startup.h"
#include "store/file_layer.h"
#include "tables/schemas.h"
#include "tests/support/sample_photo.h"

namespace {

using namespace qinghe;

struct SampleEntry {
    double date;
    int direction;  // as stored: 1 income, 2 expense
    const char* item;
    const char* amount;  // as typed
    const char* member;
    const char* note;
    bool hasVoucher;
};

struct SampleLedger {
    const char* name;
    std::vector<SampleEntry> entries;
};

std::string gbk(const char* utf8) {
    return *ui::toGbk(QString::fromUtf8(utf8));
}

// The ledger list shows its figures as another thread reads them: the
// picture waits for them (a few seconds at most).
void waitForLedgerFigures(MainWindow& window) {
    const QAbstractItemModel* model = window.ledgerPage()->ledgerModel();
    auto pending = [model] {
        for (int row = 0; row < model->rowCount(); ++row) {
            if (model->index(row, 3).data().toString() == QStringLiteral("…")) return true;
        }
        return false;
    };
    QElapsedTimer waited;
    waited.start();
    while (pending() && waited.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The entry lists of a ledger opened before the main window exists: nothing
// to show them on yet.
class NoLists final : public ledger::LedgerView {
  public:
    void showLedgerList(const ledger::LedgerList&) override {}
    void showEntryPage() override {}
    void showEntryList(std::shared_ptr<const LedgerRows>, const entry::EntryLabels&) override {}
    void showQueryList(std::shared_ptr<const LedgerRows>) override {}
    void entryAdded(std::size_t, const entry::EntryLabels&) override {}
    void entryChanged(std::size_t, const entry::EntryLabels&) override {}
    void entryRemoved(std::size_t, const entry::EntryLabels&) override {}
};

// A receipt photographed with a phone, for the entries that have one.
std::string receiptPhoto(std::uint32_t seed) {
    return entry::encodeJpeg(testing::samplePhoto(1200, 900, seed, 4), 85).value();
}

// A real ledger with its entries, each added through the window "添加一个项目"
// as a user would fill it in on its day: the item and member lists grow from
// what is typed, as they do in the program.
bool addLedger(AppState& state, FixedClock& clock, const SampleLedger& sample,
               std::int32_t recordNumber) {
    if (ledger::createLedger(state, gbk(sample.name), "") != ledger::CreateLedgerResult::Created)
        return false;
    NoLists lists;
    if (ledger::openLedger(state, recordNumber, lists) != ledger::OpenLedgerResult::Opened)
        return false;
    entry::EntryScreens screens(lists);
    const double today = clock.now();
    std::uint32_t seed = 11;
    for (const SampleEntry& e : sample.entries) {
        clock.set(e.date + 0.5);
        entry::AddEntryForm form = entry::newAddEntryForm(state);
        entry::chooseDirection(state.settings, form, directionFromStored(e.direction));
        form.item.text = gbk(e.item);
        form.member.text = gbk(e.member);
        form.amount = e.amount;
        form.note = gbk(e.note);
        entry::VoucherStripModel vouchers;
        if (e.hasVoucher) vouchers.reset({receiptPhoto(seed++)});
        if (entry::addEntryFromForm(state, form, vouchers, screens) != entry::AddEntryResult::Added)
            return false;
    }
    clock.set(today);
    state.currentLedger.close();
    static_cast<void>(state.tables.closeAll());
    return true;
}

// Twelve months of a household's entries, the months before `today`'s, added
// one by one through the add-entry flow: wages, rent, bills, shopping, school,
// the odd doctor's bill, the Spring Festival and a holiday. Amounts vary from
// month to month by a fixed rule, so every run draws the same pictures.
bool addHouseholdYear(AppState& state, entry::EntryListView& view, double today) {
    struct Item {
        int direction;  // as stored: 1 income, 2 expense
        const char* item;
        const char* member;
        const char* note;
        double amount;
        int dayOfMonth;  // 0: weekly, on Saturdays
        int month;       // 0: every month
    };
    const Item items[] = {
        {1, "工资", "爸爸", "月工资", 8500, 10, 0},
        {1, "工资", "妈妈", "月工资", 6200, 15, 0},
        {2, "房贷", "爸爸", "建设银行房贷", 4200, 20, 0},
        {2, "水电煤气", "妈妈", "", 310, 25, 0},
        {2, "通讯", "妈妈", "手机和宽带", 168, 5, 0},
        {2, "子女教育", "妈妈", "英语课外班", 980, 3, 0},
        {2, "交通", "爸爸", "加油", 420, 12, 0},
        {2, "餐饮", "全家", "超市买菜", 236.5, 0, 0},
        {2, "日用品", "妈妈", "超市日用", 88.8, 0, 0},
        {1, "奖金", "爸爸", "年终奖", 20000, 28, 1},
        {2, "人情往来", "全家", "春节红包", 3600, 19, 2},
        {2, "旅游", "全家", "国庆去杭州", 5800, 3, 10},
        {2, "医疗", "孩子", "感冒看病", 356, 8, 11},
        {1, "理财收益", "妈妈", "余额宝收益", 512.37, 30, 6},
        {2, "服装", "妈妈", "换季衣服", 1280, 16, 4},
    };
    const CivilDate now = civilFromDate(today);
    const double first = *dateFromCivil(now.year - 1, now.month, 1);
    const double end = *dateFromCivil(now.year, now.month, 1);
    bool added = true;
    for (double day = first; day < end && added; ++day) {
        const CivilDate date = civilFromDate(day);
        const bool saturday = static_cast<long long>(day) % 7 == 0;  // day 0 was a Saturday
        for (const Item& item : items) {
            if (item.month != 0 && item.month != date.month) continue;
            if (item.dayOfMonth == 0 ? !saturday : item.dayOfMonth != date.day) continue;
            // Varies by up to a fifth from month to month; wages and the rent do not.
            const int step = (date.month * 7 + date.day * 3) % 11;
            const bool fixed = item.amount >= 4000 && item.month == 0;
            const double amount =
                fixed ? item.amount : qinghe::round(item.amount * (0.9 + 0.02 * step), 2);
            EntryValues values;
            values.date = day + 0.375;
            values.direction = directionFromStored(item.direction);
            values.item = gbk(item.item);
            values.amount = amount;
            values.member = gbk(item.member);
            values.note = gbk(item.note);
            added = entry::addEntry(state, values, "", &view);
        }
    }
    return added;
}

// Answers like NonInteractiveUser and keeps the last form asked for, so that
// the screenshot of a form shows what the flow would fill it with.
class FormKeepingUser final : public NonInteractiveUser {
  public:
    void runForm(const FormRequest& request,
                 const std::function<bool(const std::vector<std::string>&)>&) override {
        lastForm = request;
    }
    // The next file dialog chooses these.
    std::vector<std::filesystem::path> chooseOpenFiles(const OpenFilesRequest&) override {
        return std::exchange(nextFiles, {});
    }
    // The windows over a model of the core are drawn by whoever is set here.
    void runWindow(WindowKind kind, WindowModel& model) override {
        if (onWindow) onWindow(kind, model);
    }
    FormRequest lastForm;
    std::vector<std::filesystem::path> nextFiles;
    std::function<void(WindowKind, WindowModel&)> onWindow;
};

bool save(QWidget& widget, const QString& folder, const char* name) {
    // No blinking cursor or selected text in the pictures.
    if (QWidget* focus = QApplication::focusWidget()) focus->clearFocus();
    if (QWidget* focus = widget.focusWidget()) focus->clearFocus();
    QApplication::processEvents();
    const QString file = folder + QLatin1Char('/') + QLatin1String(name) + ".png";
    if (widget.grab().save(file)) return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    return false;
}

// The forms of 数据安全, over the window, filled as their flows fill them.
int saveSafetyForms(MainWindow& window, AppState& state, FormKeepingUser& user, FixedClock& clock,
                    const QString& folder) {
    int failures = 0;
    const auto ignore = [](const std::vector<std::string>&) { return false; };
    maintenance::PosixFolderOperations folders;

    maintenance::runBackupDialog(state, folders);
    ui::BackupDialog backup(&window, user.lastForm.initial, {}, user, ignore);
    backup.show();
    failures += save(backup, folder, "8-backup") ? 0 : 1;

    // Three generations a day apart, a ledger added each day.
    const char* added[] = {"", "备用金", "压岁钱"};
    for (const char* name : added) {
        clock.set(clock.now() + 1 + 1.0 / 24);
        if (*name != '\0' &&
            ledger::createLedger(state, gbk(name), "") != ledger::CreateLedgerResult::Created)
            ++failures;
        if (!maintenance::makeBackup(folders, state.run, clock).complete) ++failures;
    }
    static_cast<void>(maintenance::restoreBackup(state, folders));
    ui::RestoreChoiceDialog choice(&window, user.lastForm.initial, user, ignore);
    choice.show();
    failures += save(choice, folder, "9-restore") ? 0 : 1;

    ui::ChangePasswordDialog password(&window, user, ignore);
    password.show();
    failures += save(password, folder, "10-password") ? 0 : 1;
    return failures;
}

// The voucher pictures: the viewer on a photographed receipt, and the
// strips of the entry window (an editable one browsing three photos, a
// viewing one on a photo taken upright with the phone on its side).
// Both are windows of the main window, as in the program, and look as its
// windows do.
int drawVoucherShots(const QString& folder, QWidget& mainWindow, UserInteraction& user) {
    const std::string landscape =
        entry::encodeJpeg(testing::samplePhoto(1600, 1200, 5, 4), 90).value();
    const std::string upright = testing::phoneJpeg(testing::samplePhoto(1600, 1200, 6, 4), 90, 6);
    const std::string wide = entry::encodeJpeg(testing::samplePhoto(1200, 500, 7, 4), 90).value();
    int failures = 0;
    auto save = [&](QWidget& widget, const char* name) {
        const QString file = folder + QLatin1Char('/') + QLatin1String(name) + ".png";
        if (!widget.grab().save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            ++failures;
        }
    };

    ui::VoucherViewerDialog viewer(landscape, &mainWindow);
    viewer.show();
    QApplication::processEvents();
    save(viewer, "11-voucher-viewer");
    // Three steps of the wheel towards the user: the picture outgrows the panel.
    for (int step = 0; step < 3; ++step) {
        QKeyEvent plus(QEvent::KeyPress, Qt::Key_Plus, Qt::NoModifier, QStringLiteral("+"));
        QApplication::sendEvent(&viewer, &plus);
    }
    QApplication::processEvents();
    save(viewer, "12-voucher-viewer-zoomed");
    viewer.hide();

    // The lists outlive the strips over them.
    entry::VoucherStripModel editing({wide, landscape, upright});
    editing.browse(-1);  // the second of three
    entry::VoucherStripModel viewing({upright});
    QDialog window(&mainWindow);
    window.setWindowTitle(QStringLiteral("凭证"));
    window.setFixedSize(470, 150);
    auto* edit =
        new ui::VoucherStripWidget(editing, user, ui::VoucherStripWidget::Mode::Editable, &window);
    edit->place(QRect(15, 24, 208, 104), QRect(15, 126, 208, 13));
    auto* view =
        new ui::VoucherStripWidget(viewing, user, ui::VoucherStripWidget::Mode::Viewing, &window);
    view->place(QRect(247, 24, 208, 104), QRect(246, 124, 208, 13));
    auto* left = new QLabel(QStringLiteral("修改"), &window);
    left->move(15, 4);
    auto* right = new QLabel(QStringLiteral("查看"), &window);
    right->move(247, 4);
    window.show();
    QApplication::processEvents();
    if (QWidget* focus = window.focusWidget()) focus->clearFocus();
    QApplication::processEvents();
    save(window, "13-voucher-strip");
    return failures;
}

// The entry windows as the program opens them: "添加一个项目" from its button
// with an entry half typed, "查看、修改项目内容" (both pages) on the entry with
// a receipt, and the two list dialogs of the settings page.
int drawEntryWindows(MainWindow& window, AppState& state, FormKeepingUser& user,
                     const QString& folder) {
    int failures = 0;
    window.toolAction(MainWindow::Tool::Entries)->trigger();
    window.entryPage()->addButton()->click();
    ui::AddEntryWindow* add = window.entryActions()->addWindow();
    if (add == nullptr) return 1;
    add->itemBox()->setCurrentIndex(add->itemBox()->findText(QStringLiteral("餐饮")));
    add->memberBox()->setCurrentIndex(add->memberBox()->findText(QStringLiteral("妈妈")));
    add->amountBox()->setText(QStringLiteral("35.8"));
    add->noteBox()->setPlainText(QStringLiteral("超市买菜"));
    // A receipt taken in as a double-click on the strip takes it.
    const std::filesystem::path receipt = state.run.root() / "receipt.jpg";
    {
        const std::string bytes = receiptPhoto(3);
        std::ofstream(receipt, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    }
    user.nextFiles = {receipt};
    emit add->voucherStrip()->pictureBox()->doubleClicked();
    QApplication::processEvents();
    failures += save(*add, folder, "14-add-entry") ? 0 : 1;
    add->close();

    user.onWindow = [&](WindowKind kind, WindowModel& model) {
        if (kind == WindowKind::Entry) {
            ui::EntryWindowDialog dialog(&window, dynamic_cast<entry::EntryWindowModel&>(model));
            dialog.show();
            QApplication::processEvents();
            failures += save(dialog, folder, "15-entry-view") ? 0 : 1;
            dialog.pages()->setCurrentIndex(1);
            QApplication::processEvents();
            failures += save(dialog, folder, "16-entry-modify") ? 0 : 1;
            return;
        }
        ui::NameListDialog dialog(&window, dynamic_cast<NameListsModel&>(model));
        dialog.show();
        QApplication::processEvents();
        const char* name = kind == WindowKind::ItemLists ? "17-item-lists" : "18-member-list";
        failures += save(dialog, folder, name) ? 0 : 1;
    };
    // The entry with its receipt, as a double-click opens it.
    window.entryPage()->entryList()->selectRow(2);
    window.entryMenu().view->trigger();
    window.selectPage(MainWindow::kSettingsPage);
    window.settingsPage()->itemsButton()->click();
    window.settingsPage()->membersButton()->click();
    user.onWindow = {};
    return failures;
}

// 查账 as a user asks it: this year's expenses for meals, by a click on 本年.
void askForTheYearsDining(ui::QueryPage& page) {
    QLabel* thisYear = page.quickRangeLabels().at(4);
    const QPointF inside(4, 4);
    QMouseEvent press(QEvent::MouseButtonPress, inside, thisYear->mapToGlobal(inside),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(thisYear, &press);
    page.directionBox()->setCurrentIndex(2);
    emit page.directionBox()->activated(2);
    page.itemBox()->setCurrentIndex(page.itemBox()->findText(QStringLiteral("餐饮")));
    page.queryButton()->click();
}

// 数据统计 by month, income and expense apart.
void askForMonths(ui::StatisticsPage& page) {
    page.unitBox()->setCurrentIndex(1);
    page.kindBox()->setCurrentIndex(1);
    page.queryButton()->click();
}

}  // namespace

// The window "导入账单" over a small synthetic 微信支付 bill: each kind of row's
// status, a partial refund, a row the bill states twice.
int drawBillImport(MainWindow& window, AppState& state, UserInteraction& user,
                   const QString& folder) {
    const std::string bill =
        "\xEF\xBB\xBF微信支付账单明细\n"
        "交易时间,交易类型,交易对方,商品,收/支,金额(元),支付方式,当前状态,交易单号,商户单号,备注\n"
        "2015-05-02 07:45:10,商户消费,早点铺,豆浆油条,支出,¥8.50,零钱,支付成功,W1001,M1,/\n"
        "2015-05-02 12:10:00,商户消费,兰州拉面,牛肉面,支出,¥18.00,零钱,支付成功,W1002,M2,/\n"
        "2015-05-03 19:30:00,商户消费,超市,日用品,支出,¥56.80,招商银行,已退款(¥6.80),W1003,M3,/\n"
        "2015-05-04 10:00:00,商户消费-退款,超市,日用品,收入,¥6.80,招商银行,已退款,W1004,M3,/\n"
        "2015-05-05 08:00:00,转账,外婆,转账,收入,¥200.00,零钱,已存入零钱,W1005,/,/\n"
        "2015-05-06 09:00:00,零钱提现,招商银行,/,/,¥300.00,零钱,提现已到账,W1006,/,/\n"
        "2015-05-07 21:00:00,商户消费,电影院,电影票,支出,¥70.00,零钱,已关闭,W1007,M7,/\n"
        "2015-05-08 18:20:00,商户消费,水果店🍎,苹果,支出,¥23.40,零钱,支付成功,W1008,M8,/\n"
        "2015-05-08 18:20:00,商户消费,水果店🍎,苹果,支出,¥23.40,零钱,支付成功,W1008,M8,/\n";
    import::BillSource source;
    if (import::openBillBytes(bill, gbk("微信支付账单(20150501-20150531).csv"), user, {}, source) !=
        import::SourceOutcome::Opened)
        return 1;
    import::BillImportModel model(state, std::move(source), {}, nullptr);
    ui::BillImportDialog dialog(&window, model);
    dialog.show();
    QElapsedTimer waited;
    waited.start();
    while (!dialog.ready() && waited.elapsed() < 10000) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    if (!dialog.ready()) return 1;
    dialog.memberForAllBox()->setCurrentText(QStringLiteral("妈妈"));
    dialog.memberForAllButton()->click();
    return save(dialog, folder, "21-bill-import") ? 0 : 1;
}

// The guide's window at the top of its first page.
bool saveHelpWindow(QWidget& mainWindow, const QString& folder, const QString& name) {
    const std::filesystem::path guide = ui::findUserGuide(executableDirectory());
    if (guide.empty()) {
        std::fprintf(stderr, "the user guide is not found\n");
        return false;
    }
    ui::HelpWindow help(guide, &mainWindow);
    help.show();
    QApplication::processEvents();
    const QString file = folder + QLatin1Char('/') + name + ".png";
    if (help.grab().save(file)) return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    return false;
}

// Every page of the main window at its size as it is, through the toolbar
// where there is a button, so the pages look as they do after a click; the
// lock page last, and the lock lifted after it for the next pictures.
int drawPages(MainWindow& window, AppState& state, const QString& folder) {
    QDir().mkpath(folder);
    const struct {
        int page;
        const char* name;
    } shots[] = {
        {MainWindow::kWelcomePage, "0-welcome"},       {MainWindow::kLedgerPage, "1-ledgers"},
        {MainWindow::kEntryPage, "2-entries"},         {MainWindow::kQueryPage, "3-query"},
        {MainWindow::kStatisticsPage, "4-statistics"}, {MainWindow::kSettingsPage, "5-settings"},
        {MainWindow::kAboutPage, "6-about"},           {MainWindow::kLockPage, "7-lock"},
    };
    int failures = 0;
    for (const auto& shot : shots) {
        // Through the toolbar where there is a button, so the pages look as
        // they do after a click.
        switch (shot.page) {
            case MainWindow::kLedgerPage:
                window.toolAction(MainWindow::Tool::Ledgers)->trigger();
                waitForLedgerFigures(window);
                break;
            case MainWindow::kEntryPage:
                window.toolAction(MainWindow::Tool::Entries)->trigger();
                break;
            case MainWindow::kQueryPage:
                window.toolAction(MainWindow::Tool::Query)->trigger();
                askForTheYearsDining(*window.queryPage());
                break;
            case MainWindow::kStatisticsPage:
                window.toolAction(MainWindow::Tool::Statistics)->trigger();
                askForMonths(*window.statisticsPage());
                break;
            case MainWindow::kLockPage:
                // As the idle lock leaves it: the toolbar disabled.
                window.lockActions()->lock();
                break;
            default:
                window.selectPage(shot.page);
        }
        // No blinking cursor or selected text in the pictures; the chart laid
        // out anew after a change of size, without the items of the axes it
        // replaced (deleted later, which no event loop does here).
        if (QWidget* focus = QApplication::focusWidget()) focus->clearFocus();
        for (int round = 0; round < 5; ++round) {
            QApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        const QString file = folder + QLatin1Char('/') + QLatin1String(shot.name) + ".png";
        if (!window.grab().save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            ++failures;
        }
    }
    // As the lock page's button would after the password.
    state.locked = false;
    window.setToolbarEnabled(true);
    window.selectPage(MainWindow::kWelcomePage);
    return failures;
}

// The tray icon's menu and "查看快捷键列表...".
int drawCommands(MainWindow& window, const QString& folder) {
    int failures = 0;
    QMenu* tray = window.trayIcon()->contextMenu();
    tray->popup(QPoint(0, 0));
    QApplication::processEvents();
    failures += save(*tray, folder, "22-tray-menu") ? 0 : 1;
    tray->hide();
    window.showShortcuts();
    QApplication::processEvents();
    failures += save(*window.shortcutsDialog(), folder, "23-shortcuts") ? 0 : 1;
    window.shortcutsDialog()->hide();
    return failures;
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int argument = 1;
    // Read before the application exists: the scale is fixed when it starts.
    if (argc > 2 && std::string(argv[1]) == "--scale") {
        qputenv("QT_SCALE_FACTOR", argv[2]);
        argument = 3;
    }
    QApplication application(argc, argv);
    // Calendars, standard buttons and Qt's own dialogs speak the program's language.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    ui::loadQtTranslations(application);
    ui::useChineseCapableFont();
    const QString folder = argc > argument ? QString::fromLocal8Bit(argv[argument])
                                           : QStringLiteral("docs/screenshots");
    QDir().mkpath(folder);
    const QString scale = qEnvironmentVariable("QT_SCALE_FACTOR");
    const bool scaled = !scale.isEmpty() && scale.toDouble() != 1.0;

    QTemporaryDir runFolder;
    store::PosixFileSystem files;
    FixedClock clock(42136.5);  // 2015-05-12
    FormKeepingUser user;
    AppState state(RunDirectory(runFolder.path().toStdString()), files, clock, user);
    state.settings = loadSettings(state.run, clock);
    for (const char* item : {"工资", "奖金", "理财收益"})
        state.settings.incomeItems.push_back(gbk(item));
    for (const char* item : {"餐饮", "日用品", "房贷", "水电煤气", "通讯", "交通", "子女教育",
                             "医疗", "服装", "人情往来", "旅游"})
        state.settings.expenseItems.push_back(gbk(item));
    for (const char* member : {"爸爸", "妈妈", "孩子", "全家"})
        state.settings.members.push_back(gbk(member));

    const SampleLedger samples[] = {
        {"家庭日常",
         {{42127, 2, "水电煤气", "1150", "爸爸", "第二季度", false},
          {42134, 1, "工资", "8500", "爸爸", "五月工资", false},
          {42136, 2, "餐饮", "86.5", "妈妈", "周末聚餐", true}}},
        {"装修开支",
         {{42078, 2, "材料", "9600", "爸爸", "地板", true},
          {42114, 2, "人工", "3200", "爸爸", "", false}}},
        {"旅行基金", {{42096, 1, "存入", "3000", "妈妈", "暑假旅行", false}}},
    };
    std::int32_t recordNumber = 0;
    for (const SampleLedger& sample : samples) {
        if (!addLedger(state, clock, sample, ++recordNumber)) {
            std::fprintf(stderr, "cannot create the sample ledger %s\n", sample.name);
            return 1;
        }
    }

    MainWindow window(state);
    window.setTrayAvailability([] { return false; });
    StartupResult start;
    start.loggedIn = true;
    window.finishStartUp(start);
    // The first ledger open, as after a double-click on it.
    ui::WindowLedgerView view(window, state);
    if (ledger::openLedger(state, 1, view) != ledger::OpenLedgerResult::Opened) {
        std::fprintf(stderr, "cannot open the sample ledger\n");
        return 1;
    }
    if (!addHouseholdYear(state, view, clock.now())) {
        std::fprintf(stderr, "cannot add the year of entries\n");
        return 1;
    }

    if (scaled) {
        // Every page, and the guide's window, as on a HiDPI screen.
        const QString suffix = QStringLiteral("x") + scale;
        int failures = drawPages(window, state, folder + QLatin1Char('/') + suffix);
        failures += saveHelpWindow(window, folder, QStringLiteral("help-") + suffix) ? 0 : 1;
        return failures == 0 ? 0 : 1;
    }

    int failures = drawPages(window, state, folder);
    // The same pages in a window of 1920×1080, as maximised on a full-HD screen.
    window.resize(1920, 1080);
    failures += drawPages(window, state, folder + QStringLiteral("/1920x1080"));
    window.resize(800, 613);
    window.selectPage(MainWindow::kWelcomePage);
    failures += drawCommands(window, folder);
    failures += saveSafetyForms(window, state, user, clock, folder);
    failures += drawVoucherShots(folder, window, user);
    failures += drawEntryWindows(window, state, user, folder);
    // "选择导出方式", as "导出" opens it.
    ui::ExportChoiceDialog choice(&window, {"1", "1"}, user,
                                  [](const std::vector<std::string>&) { return false; });
    choice.show();
    failures += save(choice, folder, "19-export-choice") ? 0 : 1;
    failures += saveHelpWindow(window, folder, QStringLiteral("20-help")) ? 0 : 1;
    failures += drawBillImport(window, state, user, folder);
    return failures == 0 ? 0 : 1;
}
