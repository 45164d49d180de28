#include "import/ui/bill_import_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "common/ui/gbk_text.h"
#include "import/import_texts.h"
#include "import/ui/bill_preview_table.h"

namespace qinghe::ui {

namespace {

QComboBox* namesBox(QWidget* parent, const std::vector<std::string>& names, bool editable) {
    auto* box = new QComboBox(parent);
    box->setEditable(editable);
    for (const std::string& name : names) box->addItem(fromGbk(name));
    box->setMinimumContentsLength(8);
    return box;
}

}  // namespace

BillImportDialog::BillImportDialog(QWidget* parent, import::BillImportModel& model)
    : QDialog(parent), model_(model) {
    setWindowTitle(QStringLiteral("导入账单"));
    resize(1060, 600);
    auto* layout = new QVBoxLayout(this);

    file_ = new QLabel(this);
    file_->setText(QStringLiteral("正在读取账单“%1”……").arg(fromGbk(model_.fileName())));
    layout->addWidget(file_);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 1000);
    layout->addWidget(progress_);

    mappingGroup_ = new QGroupBox(QStringLiteral("各列对应（这不是支付宝或微信支付的账单，"
                                                 "请指定日期、金额等所在的列，以后会记住）"),
                                  this);
    auto* grid = new QGridLayout(mappingGroup_);
    for (std::size_t i = 0; i < import::kMappedFieldCount; ++i) {
        auto* label = new QLabel(fromGbk(import::texts::kFieldNames[i]) + QStringLiteral("："),
                                 mappingGroup_);
        auto* box = new QComboBox(mappingGroup_);
        mappingBoxes_[i] = box;
        const int row = static_cast<int>(i / 5);
        const int column = static_cast<int>(i % 5) * 2;
        grid->addWidget(label, row, column);
        grid->addWidget(box, row, column + 1);
        const auto field = import::kMappedFields[i];
        connect(box, &QComboBox::currentIndexChanged, this,
                [this, field](int index) { mappingChanged(field, index); });
    }
    mappingGroup_->hide();
    layout->addWidget(mappingGroup_);

    auto* choices = new QHBoxLayout;
    choices->addWidget(new QLabel(QStringLiteral("全部成员："), this));
    memberForAll_ = namesBox(this, model_.memberChoices(), true);
    memberForAll_->setCurrentText(QString());
    choices->addWidget(memberForAll_);
    applyMember_ = new QPushButton(QStringLiteral("应用到全部"), this);
    choices->addWidget(applyMember_);
    choices->addSpacing(16);
    choices->addWidget(new QLabel(QStringLiteral("未对应分类的支出记为："), this));
    defaultExpense_ = new QComboBox(this);
    defaultExpense_->setEditable(true);
    choices->addWidget(defaultExpense_);
    choices->addWidget(new QLabel(QStringLiteral("收入记为："), this));
    defaultIncome_ = new QComboBox(this);
    defaultIncome_->setEditable(true);
    choices->addWidget(defaultIncome_);
    choices->addStretch();
    layout->addLayout(choices);

    table_ = new BillPreviewTable(model_, this);
    list_ = new QTableView(this);
    list_->setModel(table_);
    list_->setItemDelegate(new BillPreviewDelegate(model_, list_));
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked);
    list_->verticalHeader()->hide();
    list_->setWordWrap(false);
    const int widths[] = {28, 130, 46, 80, 100, 70, 230, 320};
    for (int column = 0; column < import::kPreviewColumnCount; ++column)
        list_->setColumnWidth(column, widths[column]);
    list_->horizontalHeader()->setStretchLastSection(true);
    list_->setEnabled(false);
    layout->addWidget(list_, 1);

    auto* bottom = new QHBoxLayout;
    everyRow_ = new QCheckBox(
        QStringLiteral("以后都这样（改一行的项目时，同一分类的各行一起改，并记住）"), this);
    bottom->addWidget(everyRow_);
    count_ = new QLabel(this);
    bottom->addWidget(count_, 1);
    import_ = new QPushButton(QStringLiteral("导入"), this);
    import_->setEnabled(false);
    import_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("取消"), this);
    bottom->addWidget(import_);
    bottom->addWidget(cancel_);
    layout->addLayout(bottom);

    connect(everyRow_, &QCheckBox::toggled, this,
            [this](bool ticked) { table_->setItemForCategory(ticked); });
    connect(table_, &BillPreviewTable::ticksChanged, this, &BillImportDialog::updateCount);
    connect(applyMember_, &QPushButton::clicked, this, [this] {
        const auto member = toGbk(memberForAll_->currentText());
        if (!member) return;
        model_.setMemberForAll(*member);
        table_->reload();
    });
    auto defaultChanged = [this](QComboBox* box, Direction direction) {
        connect(box, &QComboBox::currentTextChanged, this, [this, direction](const QString& text) {
            if (filling_) return;
            if (const auto item = toGbk(text)) {
                model_.setDefaultItem(direction, *item);
                table_->reload();
            }
        });
    };
    defaultChanged(defaultExpense_, Direction::Expense);
    defaultChanged(defaultIncome_, Direction::Income);
    connect(import_, &QPushButton::clicked, this, &BillImportDialog::importRows);
    connect(cancel_, &QPushButton::clicked, this, &BillImportDialog::reject);

    poll_ = new QTimer(this);
    poll_->setInterval(30);
    connect(poll_, &QTimer::timeout, this, &BillImportDialog::pollReading);
    startReading();
}

BillImportDialog::~BillImportDialog() {
    stopReading();
}

void BillImportDialog::startReading() {
    // The model touches nothing of the program while it reads.
    reader_ = std::thread([this] {
        model_.load([this](double share) { readShare_ = static_cast<int>(share * 1000); },
                    &cancelRead_);
        readDone_ = true;
    });
    poll_->start();
}

void BillImportDialog::stopReading() {
    cancelRead_ = true;
    if (reader_.joinable()) reader_.join();
    poll_->stop();
}

void BillImportDialog::pollReading() {
    progress_->setValue(readShare_.load());
    if (!readDone_) return;
    stopReading();
    if (!model_.finishLoad()) {
        // The core has said why; nothing of the bill can be imported.
        QDialog::reject();
        return;
    }
    showRows();
}

void BillImportDialog::showRows() {
    ready_ = true;
    progress_->hide();
    file_->setText(QStringLiteral("账单“%1”：%2")
                       .arg(fromGbk(model_.fileName()), fromGbk(model_.formatName())));
    filling_ = true;
    for (auto [box, direction] : {std::pair{defaultExpense_, Direction::Expense},
                                  std::pair{defaultIncome_, Direction::Income}}) {
        const auto& items = model_.itemChoicesOf(direction);
        for (const std::string& item : items) box->addItem(fromGbk(item));
        box->setCurrentText(fromGbk(model_.defaultItem(direction)));
    }
    filling_ = false;
    if (model_.mapped()) {
        fillMapping();
        mappingGroup_->show();
    }
    table_->reload();
    list_->setEnabled(true);
    import_->setEnabled(true);
}

void BillImportDialog::fillMapping() {
    filling_ = true;
    for (std::size_t i = 0; i < import::kMappedFieldCount; ++i) {
        QComboBox* box = mappingBoxes_[i];
        box->clear();
        box->addItem(QStringLiteral("（没有）"));
        for (const std::string& name : model_.columnNames()) box->addItem(fromGbk(name));
        const auto column = model_.mapping().columns[i];
        box->setCurrentIndex(column ? static_cast<int>(*column) + 1 : 0);
    }
    filling_ = false;
}

void BillImportDialog::mappingChanged(import::MappedField field, int index) {
    if (filling_ || index < 0) return;
    std::optional<std::size_t> column;
    if (index > 0) column = static_cast<std::size_t>(index - 1);
    model_.setMapping(field, column);
    table_->reload();
}

void BillImportDialog::updateCount() {
    if (!model_.mappingProblem().empty() && model_.rows().empty()) {
        count_->setText(fromGbk(model_.mappingProblem()));
        return;
    }
    count_->setText(QStringLiteral("共 %1 行，已勾选 %2 行")
                        .arg(model_.rows().size())
                        .arg(model_.tickedCount()));
}

void BillImportDialog::importRows() {
    if (!ready_) return;
    // A cell being edited is taken first.
    list_->setFocus();
    if (model_.importTicked()) accept();
}

void BillImportDialog::reject() {
    stopReading();
    model_.cancel();
    QDialog::reject();
}

}  // namespace qinghe::ui
