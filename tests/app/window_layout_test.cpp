#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include "app/about_page.h"
#include "app/lock_page.h"
#include "app/welcome_page.h"
#include "config/settings.h"
#include "config/ui/settings_page.h"
#include "entry/ui/entry_page.h"
#include "ledger/ui/ledger_page.h"
#include "report/ui/query_page.h"
#include "report/ui/statistics_chart.h"
#include "report/ui/statistics_page.h"
#include "tests/app/gui_fixture.h"
#include "tests/support/ledger_data.h"

// The main window as a window of the desktop: it resizes and maximises, its
// lists and chart grow with it, nothing is cut off with larger text, and it
// comes back where it was left.

namespace qinghe {
namespace {

using testing::gbk;

class WindowLayoutTest : public testing::GuiTest {
  protected:
    QList<QWidget*> pages() const {
        return {window_->welcomePage(), window_->ledgerPage(),     window_->entryPage(),
                window_->queryPage(),   window_->statisticsPage(), window_->settingsPage(),
                window_->aboutPage(),   window_->lockPage()};
    }
    // Where a widget lies on its page.
    static QRect onPage(const QWidget* widget, const QWidget* page) {
        return QRect(widget->mapTo(page, QPoint(0, 0)), widget->size());
    }
    void settle() {
        for (int round = 0; round < 3; ++round) QApplication::processEvents();
    }
    // A page is laid out to the window's size when it is shown.
    void show(int page) {
        window_->selectPage(page);
        settle();
    }
};

TEST_F(WindowLayoutTest, AtItsDefaultSizeThePagesStandAsDrawn) {
    finishStartUp();
    window_->show();
    settle();
    EXPECT_EQ(window_->geometry(), QRect(50, 50, 800, 613));
    EXPECT_LT(window_->minimumSize().width(), window_->maximumSize().width()) << "not fixed";
    show(MainWindow::kEntryPage);
    EXPECT_EQ(window_->entryPage()->size(), QSize(795, 509));
    EXPECT_EQ(onPage(window_->entryPage()->entryList(), window_->entryPage()),
              QRect(2, 69, 790, 328));
    EXPECT_EQ(onPage(window_->entryPage()->addButton(), window_->entryPage()),
              QRect(604, 408, 64, 64));
    show(MainWindow::kQueryPage);
    EXPECT_EQ(onPage(window_->queryPage()->resultList(), window_->queryPage()),
              QRect(2, 131, 790, 355));
    show(MainWindow::kStatisticsPage);
    EXPECT_EQ(onPage(window_->statisticsPage()->resultList(), window_->statisticsPage()),
              QRect(5, 4, 379, 481));
}

TEST_F(WindowLayoutTest, ALargerWindowGivesTheListsAndTheChartTheRoom) {
    finishStartUp();
    window_->show();
    window_->resize(1600, 1000);
    settle();
    const QSize extra(1600 - 800, 1000 - 613);
    show(MainWindow::kEntryPage);
    ui::EntryPage* entries = window_->entryPage();
    EXPECT_EQ(onPage(entries->entryList(), entries).size(), QSize(790, 328) + extra);
    EXPECT_EQ(onPage(entries->addButton(), entries).topLeft(),
              QPoint(604 + extra.width(), 408 + extra.height()));
    EXPECT_EQ(onPage(entries->clearButton(), entries).topLeft(), QPoint(12, 408 + extra.height()));
    show(MainWindow::kQueryPage);
    ui::QueryPage* query = window_->queryPage();
    EXPECT_EQ(onPage(query->resultList(), query).size(), QSize(790, 355) + extra);
    EXPECT_EQ(onPage(query->queryButton(), query).x(), 3 + 558 + extra.width());
    show(MainWindow::kStatisticsPage);
    ui::StatisticsPage* statistics = window_->statisticsPage();
    EXPECT_EQ(statistics->resultList()->height(), 481 + extra.height());
    EXPECT_EQ(statistics->chart()->size(), QSize(378, 222) + extra);
    show(MainWindow::kLedgerPage);
    EXPECT_EQ(window_->ledgerPage()->ledgerList()->size(), QSize(790, 328) + extra);

    window_->showMaximized();
    show(MainWindow::kEntryPage);
    EXPECT_TRUE(window_->isMaximized());
    EXPECT_GE(entries->entryList()->width(), 790);
}

// Every caption of every page fits its control, with the drawn text and with
// the desktop's text half as large again (the pages grow with it).
TEST_F(WindowLayoutTest, NoCaptionIsCutOffWithLargerText) {
    const QFont desktop = QApplication::font();
    for (const int pixels : {12, 18}) {
        SCOPED_TRACE(pixels);
        QFont text = desktop;
        text.setPixelSize(pixels);
        QApplication::setFont(text);
        window_ = std::make_unique<MainWindow>(state_);
        finishStartUp();
        window_->show();
        settle();
        window_->resize(window_->minimumSizeHint());
        settle();
        show(MainWindow::kEntryPage);
        EXPECT_GE(window_->entryPage()->width(), 795 * pixels / 12);
        for (QWidget* page : pages()) {
            // The pages lie in a stack: each is laid out when shown.
            window_->selectPage(qobject_cast<QStackedWidget*>(page->parentWidget())->indexOf(page));
            settle();
            for (const QLabel* label : page->findChildren<QLabel*>()) {
                if (label->text().isEmpty() || label->wordWrap() || !label->isVisible()) continue;
                int widest = 0;
                for (const QString& line : label->text().split(QLatin1Char('\n')))
                    widest = std::max(widest, label->fontMetrics().horizontalAdvance(line));
                EXPECT_LE(widest, label->contentsRect().width()) << label->text().toStdString();
            }
            for (const QAbstractButton* button : page->findChildren<QAbstractButton*>()) {
                if (button->text().isEmpty() || !button->isVisible()) continue;
                int room = button->width();
                if (qobject_cast<const QCheckBox*>(button)) room -= 20;  // the box itself
                EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()), room)
                    << button->text().toStdString();
            }
        }
    }
    QApplication::setFont(desktop);
}

TEST_F(WindowLayoutTest, ThePlaceAndSizeAreRememberedInTheSettings) {
    finishStartUp();
    window_->show();
    window_->setGeometry(QRect(120, 90, 1024, 700));
    settle();
    const QRect left = window_->geometry();
    window_->closeWithoutQuestion();
    EXPECT_EQ(systemIni("winwidth"), std::to_string(left.width()));
    EXPECT_EQ(systemIni("winmax"), "0");

    state_.settings = loadSettings(state_.run, clock_);
    window_ = std::make_unique<MainWindow>(state_);
    finishStartUp();
    settle();
    EXPECT_EQ(window_->geometry(), left);

    // Maximised, it comes back maximised, and its normal size stays.
    window_->showMaximized();
    settle();
    window_->closeWithoutQuestion();
    EXPECT_EQ(systemIni("winmax"), "1");
    state_.settings = loadSettings(state_.run, clock_);
    window_ = std::make_unique<MainWindow>(state_);
    finishStartUp();
    settle();
    EXPECT_TRUE(window_->isMaximized());
    EXPECT_EQ(window_->normalGeometry().size(), left.size());
}

TEST_F(WindowLayoutTest, APlaceOffEveryScreenOrTooSmallGivesTheDefault) {
    for (const WindowPlace& place :
         {WindowPlace{-50000, -50000, 900, 700, false}, WindowPlace{60, 60, 100, 80, false}}) {
        state_.settings.windowX = place.x;
        state_.settings.windowY = place.y;
        state_.settings.windowWidth = place.width;
        state_.settings.windowHeight = place.height;
        window_ = std::make_unique<MainWindow>(state_);
        finishStartUp();
        EXPECT_EQ(window_->geometry(), QRect(50, 50, 800, 613)) << place.x << "," << place.width;
    }
}

// 31 days of bars: side by side they would run into each other, standing on
// end they fit every second or third at the drawn width, and all in a wide
// window.
TEST(StatisticsChartLabels, AreNeverCutOffNorRunIntoEachOther) {
    testing::application();
    report::StatChart chart;
    report::ChartSeries expenses{gbk("支出"), Direction::Expense, {}};
    for (int day = 1; day <= 31; ++day) {
        chart.periods.push_back("2015-05-" + std::string(day < 10 ? "0" : "") +
                                std::to_string(day));
        chart.periodDates.push_back(42125 + day - 1);
        expenses.values.push_back(day * 10.0);
    }
    chart.series.push_back(expenses);
    ui::StatisticsChart view;
    view.resize(378, 222);
    view.show();
    view.showChart(chart);
    EXPECT_EQ(view.periods().size(), 31);
    EXPECT_EQ(view.periodLabelAngle(), -90);
    const int narrow = int(view.writtenPeriodLabels().size());
    EXPECT_LT(narrow, 31);
    EXPECT_GE(narrow, 5);
    EXPECT_EQ(view.writtenPeriodLabels().first(), QStringLiteral("2015-05-01"));
    view.resize(1800, 600);
    QApplication::processEvents();
    EXPECT_EQ(view.writtenPeriodLabels().size(), 31);

    // Three months fit side by side.
    report::StatChart months;
    months.periods = {"2015-3", "2015-4", "2015-5"};
    months.periodDates = {42064, 42095, 42125};
    months.series.push_back({gbk("支出"), Direction::Expense, {1, 2, 3}});
    view.resize(378, 222);
    view.showChart(months);
    EXPECT_EQ(view.periodLabelAngle(), 0);
    EXPECT_EQ(view.writtenPeriodLabels(), (QStringList{"2015-3", "2015-4", "2015-5"}));
}

}  // namespace
}  // namespace qinghe
