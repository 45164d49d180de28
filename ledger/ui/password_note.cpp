#include "ledger/ui/password_note.h"

#include <QLabel>

#include "common/ui/page_widgets.h"

namespace qinghe::ui {

QLabel* addPasswordNote(QWidget* parent, const QRect& geometry) {
    // Three lines in a box drawn for 46 pixels: a CJK font's own line spacing
    // would push the last one out, so the lines are set 15 pixels apart.
    return addWrappedLabel(parent,
                           QStringLiteral("<div style=\"-qt-line-height-type: fixed; line-height: "
                                          "15px\">注意：如果不需要密码，请保持密码框为空。"
                                          "如果创建密码，请您牢记，一旦忘记将无法访问！</div>"),
                           geometry);
}

}  // namespace qinghe::ui
