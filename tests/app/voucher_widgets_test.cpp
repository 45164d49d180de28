#include <QApplication>
#include <QGroupBox>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/temporary_folder.h"
#include "entry/image_codec.h"
#include "entry/ui/voucher_strip_widget.h"
#include "entry/ui/voucher_viewer_dialog.h"
#include "entry/voucher_strip.h"
#include "entry/voucher_texts.h"
#include "tests/app/gui_fixture.h"
#include "tests/support/sample_photo.h"
#include "tests/support/scripted_user.h"

// The voucher strips and the viewer wired to the core: two strips over one
// list, the mouse and keys on them, and the viewer's wheel, keys and bars.

namespace qinghe {
namespace {

using ui::VoucherStripWidget;

std::string photo(int width, int height, std::uint32_t seed) {
    return entry::encodeJpeg(testing::samplePhoto(width, height, seed), 85).value();
}

class VoucherWidgetsTest : public ::testing::Test {
  protected:
    VoucherWidgetsTest() {
        images_ = {photo(400, 300, 1), photo(300, 400, 2), "not a picture"};
        model_.reset(images_);
        view_ = new VoucherStripWidget(model_, user_, VoucherStripWidget::Mode::Viewing, &window_);
        view_->place(QRect(317, 137, 208, 104), QRect(316, 238, 208, 13));
        edit_ = new VoucherStripWidget(model_, user_, VoucherStripWidget::Mode::Editable, &window_);
        edit_->place(QRect(315, 138, 208, 104), QRect(315, 240, 208, 13));
        view_->setViewerOpener([this](const std::string& bytes) { opened_.push_back(bytes); });
        window_.resize(600, 300);
        window_.show();
    }

    static void click(QWidget* widget, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(widget, button, {}, widget->rect().center());
    }

    QApplication& application_ = testing::application();  // before any widget
    std::vector<std::string> images_;
    entry::VoucherStripModel model_;
    testing::ScriptedUser user_;
    QWidget window_;
    VoucherStripWidget* view_;
    VoucherStripWidget* edit_;
    std::vector<std::string> opened_;
};

TEST_F(VoucherWidgetsTest, StripsSitWhereTheWindowsPutThem) {
    EXPECT_EQ(view_->groupBox()->title(), QStringLiteral("单据凭证："));
    EXPECT_EQ(view_->pictureBox()->size(), QSize(191, 83));
    EXPECT_EQ(view_->pictureBox()->mapTo(&window_, QPoint(0, 0)), QPoint(317 + 8, 137 + 14));
    EXPECT_EQ(edit_->nextButton()->parentWidget()->geometry().translated(edit_->pos()),
              QRect(315, 240, 208, 13));
    // The first image, fitted into the box keeping its shape.
    const QImage shown = view_->pictureBox()->shownImage();
    EXPECT_EQ(shown.size(), QSize(111, 83));
    EXPECT_EQ(edit_->pictureBox()->shownImage().size(), QSize(111, 83));
}

TEST_F(VoucherWidgetsTest, BrowsingOnOneStripShowsTheSameImageOnTheOther) {
    click(view_->previousButton());  // +1: from the first back to the last
    EXPECT_EQ(model_.position(), 3);
    EXPECT_TRUE(edit_->pictureBox()->shownImage().isNull());  // "not a picture"
    click(edit_->nextButton());  // -1: from the last forward to the first
    EXPECT_EQ(model_.position(), 1);
    click(edit_->nextButton());
    EXPECT_EQ(view_->pictureBox()->shownImage().size(), QSize(62, 83));
    // Keys on the picture box browse too.
    QTest::keyClick(edit_->pictureBox(), Qt::Key_Left);
    EXPECT_EQ(model_.position(), 1);
}

TEST_F(VoucherWidgetsTest, DeletingRemovesTheImageBothStripsShow) {
    // The "查看" strip moves to the second image; the "修改" strip shows it too,
    // so its delete takes that one.
    click(view_->nextButton());
    ASSERT_EQ(model_.position(), 2);
    user_.answers = {MessageAnswer::Ok};
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(10, 10), QPoint(10, 10));
    QApplication::sendEvent(edit_->pictureBox(), &menu);
    ASSERT_EQ(user_.messages.size(), 1u);
    EXPECT_EQ(user_.messages[0].text, entry::kDeleteVoucherQuestion);
    EXPECT_EQ(model_.vouchers(), (entry::VoucherList{images_[0], images_[2]}));
    EXPECT_EQ(model_.position(), 2);
    // With one image left the arrows would do nothing, so they are off.
    EXPECT_TRUE(view_->nextButton()->isEnabled());
    user_.answers = {MessageAnswer::Ok};
    QTest::keyClick(edit_->pictureBox(), Qt::Key_Delete);
    EXPECT_FALSE(view_->nextButton()->isEnabled());
    EXPECT_FALSE(edit_->previousButton()->isEnabled());
    // The viewing strip deletes nothing.
    QApplication::sendEvent(view_->pictureBox(), &menu);
    EXPECT_EQ(model_.count(), 1);
}

TEST_F(VoucherWidgetsTest, DoubleClickAddsOnlyOnTheEditableStrip) {
    TemporaryFolder folder;
    const std::filesystem::path file = folder / "receipt.jpg";
    std::ofstream(file, std::ios::binary) << images_[1];
    user_.fileChoices.push_back({file});
    QTest::mouseDClick(view_->pictureBox(), Qt::LeftButton);
    EXPECT_EQ(model_.count(), 3);
    QTest::mouseDClick(edit_->pictureBox(), Qt::LeftButton);
    ASSERT_EQ(model_.count(), 4);
    EXPECT_EQ(model_.position(), 4);
    EXPECT_EQ(model_.vouchers()[3], images_[1]);
    EXPECT_EQ(view_->pictureBox()->shownImage().size(), QSize(62, 83));
}

TEST_F(VoucherWidgetsTest, AClickOnTheViewingStripOpensTheViewerWithTheShownImage) {
    click(view_->pictureBox());
    click(edit_->pictureBox());  // the editable strip opens nothing
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0], images_[0]);
    model_.reset({});
    click(view_->pictureBox());  // an empty box opens nothing
    EXPECT_EQ(opened_.size(), 1u);
}

TEST_F(VoucherWidgetsTest, GuidanceHintsSayWhatTheMouseDoes) {
    view_->setGuidance(true);
    edit_->setGuidance(true);
    EXPECT_EQ(view_->pictureBox()->toolTip(), QStringLiteral("点击可以查看凭证大图！"));
    EXPECT_TRUE(
        edit_->pictureBox()->toolTip().startsWith(QStringLiteral("双击可以添加新的凭证图片！")));
    edit_->setGuidance(false);
    EXPECT_TRUE(edit_->pictureBox()->toolTip().isEmpty());
}

TEST(VoucherStripLifetimeTest, AWindowMayHoldTheListAsAMember) {
    testing::application();
    // As the add and modify windows do: the list goes with the window's
    // members, before its child strips.
    struct Window : QWidget {
        entry::VoucherStripModel vouchers{entry::VoucherList{"A", "B"}};
        testing::ScriptedUser user;
        VoucherStripWidget* strip =
            new VoucherStripWidget(vouchers, user, VoucherStripWidget::Mode::Editable, this);
    };
    auto* window = new Window;
    window->show();
    window->vouchers.browse(1);
    EXPECT_EQ(window->vouchers.position(), 2);
    delete window;
}

void turnWheel(QWidget* widget, int delta) {
    QWheelEvent wheel(QPointF(100, 100), widget->mapToGlobal(QPointF(100, 100)), QPoint(),
                      QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &wheel);
}

TEST(VoucherViewerDialogTest, WheelAndKeysZoomAndScroll) {
    testing::application();
    ui::VoucherViewerDialog dialog(photo(1600, 1200, 5), nullptr);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("查看凭证大图"));
    EXPECT_EQ(dialog.panel()->geometry(), QRect(0, 0, 776, 550));
    EXPECT_EQ(dialog.horizontalBar()->geometry(), QRect(0, 553, 776, 16));
    EXPECT_EQ(dialog.verticalBar()->geometry(), QRect(777, 0, 16, 552));
    EXPECT_FALSE(dialog.horizontalBar()->isVisible());
    EXPECT_FALSE(dialog.verticalBar()->isVisible());

    // A wheel turned towards the user: zoom 1.1, both bars shown mid-way.
    turnWheel(dialog.panel(), -120);
    EXPECT_DOUBLE_EQ(dialog.viewer().zoom(), 1.1);
    EXPECT_TRUE(dialog.horizontalBar()->isVisible());
    EXPECT_EQ(dialog.horizontalBar()->maximum(), 30);
    EXPECT_EQ(dialog.horizontalBar()->value(), 15);
    EXPECT_EQ(dialog.verticalBar()->maximum(), 55);
    EXPECT_EQ(dialog.verticalBar()->value(), 27);
    // Half a notch does nothing yet; the other half makes one step.
    turnWheel(&dialog, 60);
    EXPECT_DOUBLE_EQ(dialog.viewer().zoom(), 1.1);
    turnWheel(&dialog, 60);
    EXPECT_DOUBLE_EQ(dialog.viewer().zoom(), 1.1 * 0.9);
    EXPECT_FALSE(dialog.verticalBar()->isVisible());

    QTest::keyClick(&dialog, Qt::Key_Plus);
    QTest::keyClick(&dialog, Qt::Key_Plus);
    const double zoomed = dialog.viewer().zoom();
    EXPECT_GT(zoomed, 1.1);
    const std::uint8_t* buffer = dialog.viewer().backBuffer().data();
    QTest::keyClick(&dialog, Qt::Key_Right);
    QTest::keyClick(&dialog, Qt::Key_Down);
    EXPECT_EQ(dialog.viewer().horizontalPosition(), dialog.horizontalBar()->value());
    EXPECT_EQ(dialog.viewer().verticalPosition(), dialog.verticalBar()->value());
    dialog.horizontalBar()->setValue(0);
    EXPECT_EQ(dialog.viewer().horizontalPosition(), 0);
    EXPECT_EQ(dialog.viewer().backBuffer().data(), buffer);  // scrolling redraws nothing
    QTest::keyClick(&dialog, Qt::Key_Minus);
    EXPECT_LT(dialog.viewer().zoom(), zoomed);

    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(VoucherViewerDialogTest, BytesThatAreNoPictureOpenAnEmptyViewer) {
    testing::application();
    ui::VoucherViewerDialog dialog("not a picture", nullptr);
    EXPECT_FALSE(dialog.viewer().hasPicture());
    turnWheel(dialog.panel(), -120);
    EXPECT_EQ(dialog.viewer().zoom(), 1.0);
    EXPECT_FALSE(dialog.horizontalBar()->isVisible());
    EXPECT_FALSE(dialog.panel()->grab().isNull());
}

}  // namespace
}  // namespace qinghe
