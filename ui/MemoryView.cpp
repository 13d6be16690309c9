#include "ui/MemoryView.h"

#include <QFontDatabase>
#include <QHeaderView>
#include <QVBoxLayout>

#include "app/MemoryLayout.h"
#include "ui/Artwork.h"
#include "ui/UiFont.h"

namespace tallis {

namespace {

QTableWidget* MakeTable(const char* name, const QStringList& columns) {
    auto* table = new QTableWidget;
    table->setObjectName(QString::fromLatin1(name));
    table->setColumnCount(static_cast<int>(columns.size()));
    table->setHorizontalHeaderLabels(columns);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    constexpr int kRowPadding = 6;
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + kRowPadding);
    return table;
}

QTableWidgetItem* Cell(const std::string& text) {
    auto* item = new QTableWidgetItem(QString::fromStdString(text));
    item->setTextAlignment(Qt::AlignCenter);
    return item;
}

QStringList Numbered(int count) {
    QStringList labels;
    for (int i = 0; i < count; ++i) {
        labels << QString::number(i, 16).toUpper();
    }
    return labels;
}

const QColor kDifferenceColour(255, 190, 190);
constexpr int kAddressRole = Qt::UserRole;

QString Address(int address) {
    return QStringLiteral("%1").arg(address, 4, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

MemoryView::MemoryView()
    : QWidget(nullptr, Qt::Window),
      Tabs(new QTabWidget(this)),
      ProgramTable(MakeTable("ProgramTable", Numbered(kProgramWordsPerRow))),
      EepromTable(MakeTable("EepromTable", Numbered(kEepromBytesPerRow) << QStringLiteral("Text"))),
      ConfigTable(MakeTable("ConfigTable", {QStringLiteral("Name"), QStringLiteral("Value"),
                                            QStringLiteral("Meaning")})) {
    setObjectName(QStringLiteral("MemoryView"));
    setWindowTitle(QStringLiteral("Memory view"));
    setWindowIcon(ApplicationIcon());
    setFont(UiFont(10));
    Tabs->setObjectName(QStringLiteral("Tabs"));
    Tabs->addTab(ProgramTable, QStringLiteral("Program memory"));
    Tabs->addTab(EepromTable, QStringLiteral("EEPROM"));
    Tabs->addTab(ConfigTable, QStringLiteral("Configuration"));
    ConfigTable->verticalHeader()->hide();
    ConfigTable->horizontalHeader()->setStretchLastSection(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Tabs);
    resize(620, 480);
}

void MemoryView::ShowImage(const ChipImage& image, const Device& device, const QString& source) {
    source_ = source;
    setWindowTitle(QStringLiteral("Memory view - ") + source);
    FillProgram(image, device);
    FillEeprom(image, device);
    FillConfig(image, device);
}

void MemoryView::FillProgram(const ChipImage& image, const Device& device) {
    const int rows = device.programWords / kProgramWordsPerRow;
    ProgramTable->clearContents();
    ProgramTable->setRowCount(rows);
    const QColor dimmed = palette().color(QPalette::Disabled, QPalette::Text);
    for (int row = 0; row < rows; ++row) {
        const int first = row * kProgramWordsPerRow;
        ProgramTable->setVerticalHeaderItem(row, new QTableWidgetItem(Address(first)));
        for (int column = 0; column < kProgramWordsPerRow; ++column) {
            const std::optional<std::uint16_t> word =
                image.program.at(static_cast<std::size_t>(first + column));
            QTableWidgetItem* item = Cell(WordText(word));
            if (IsBlankWord(word)) {
                item->setForeground(dimmed);
            }
            ProgramTable->setItem(row, column, item);
        }
    }
    ProgramTable->resizeColumnsToContents();
}

void MemoryView::FillEeprom(const ChipImage& image, const Device& device) {
    const int rows = device.eepromBytes / kEepromBytesPerRow;
    EepromTable->clearContents();
    EepromTable->setRowCount(rows);
    for (int row = 0; row < rows; ++row) {
        const int first = row * kEepromBytesPerRow;
        EepromTable->setVerticalHeaderItem(row, new QTableWidgetItem(Address(first)));
        std::string characters;
        for (int column = 0; column < kEepromBytesPerRow; ++column) {
            const std::optional<std::uint8_t> byte =
                image.eeprom.at(static_cast<std::size_t>(first + column));
            EepromTable->setItem(row, column, Cell(ByteText(byte)));
            characters += ShownChar(byte);
        }
        EepromTable->setItem(row, kEepromBytesPerRow, Cell(characters));
    }
    EepromTable->resizeColumnsToContents();
}

void MemoryView::FillConfig(const ChipImage& image, const Device& device) {
    const std::vector<ConfigLine> lines = ConfigLines(image, device);
    ConfigTable->clearContents();
    ConfigTable->setRowCount(static_cast<int>(lines.size()));
    for (int row = 0; row < static_cast<int>(lines.size()); ++row) {
        const ConfigLine& line = lines.at(static_cast<std::size_t>(row));
        const bool indented = line.kind == ConfigLine::Kind::Field;
        auto* name =
            new QTableWidgetItem(QString::fromStdString((indented ? "    " : "") + line.name));
        ConfigTable->setItem(row, 0, name);
        QTableWidgetItem* value = Cell(line.value);
        value->setData(kAddressRole, line.address);
        ConfigTable->setItem(row, 1, value);
        ConfigTable->setItem(row, 2, new QTableWidgetItem(QString::fromStdString(line.meaning)));
    }
    ConfigTable->resizeColumnsToContents();
}

void MemoryView::MarkDifferences(std::span<const Difference> differences) {
    for (const Difference& difference : differences) {
        QTableWidgetItem* cell = CellOf(difference);
        if (cell == nullptr) {
            continue;
        }
        const int digits = difference.space == MemorySpace::Eeprom ? 2 : 4;
        auto hex = [digits](std::uint16_t value) {
            return QStringLiteral("0x") +
                   QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
        };
        cell->setBackground(kDifferenceColour);
        cell->setToolTip(QStringLiteral("File: %1\nChip: %2")
                             .arg(hex(difference.expected), hex(difference.actual)));
    }
}

QTableWidgetItem* MemoryView::CellOf(const Difference& difference) const {
    switch (difference.space) {
        case MemorySpace::Program:
            return ProgramTable->item(difference.address / kProgramWordsPerRow,
                                      difference.address % kProgramWordsPerRow);
        case MemorySpace::Eeprom:
            return EepromTable->item(difference.address / kEepromBytesPerRow,
                                     difference.address % kEepromBytesPerRow);
        default:
            // The configuration word's first line, or the ID's line.
            for (int row = 0; row < ConfigTable->rowCount(); ++row) {
                QTableWidgetItem* value = ConfigTable->item(row, 1);
                if (value->data(kAddressRole).toInt() == difference.address) {
                    return value;
                }
            }
            return nullptr;
    }
}

}  // namespace tallis
