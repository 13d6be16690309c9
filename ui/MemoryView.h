#pragma once

#include <QTabWidget>
#include <QTableWidget>
#include <QWidget>

#include <span>

#include "device/Device.h"
#include "engine/OperationResult.h"
#include "image/ChipImage.h"

namespace tallis {

// "Memory view": a chip image (the open file, or the chip after Read) in three
// tabs: program memory eight words a row with blank words dimmed, EEPROM
// sixteen bytes a row with their characters, and the configuration word
// decoded for the device with the IDs and the device ID. After a Verify the
// locations that differ are marked.
class MemoryView : public QWidget {
    Q_OBJECT
  public:
    MemoryView();

    QTabWidget* Tabs;
    QTableWidget* ProgramTable;
    QTableWidget* EepromTable;
    QTableWidget* ConfigTable;

    // Shows the image as the device holds it; source names where it came from.
    void ShowImage(const ChipImage& image, const Device& device, const QString& source);
    const QString& Source() const { return source_; }
    // Marks the locations where the chip differs from the image shown; the
    // tooltip gives both values.
    void MarkDifferences(std::span<const Difference> differences);

  private:
    void FillProgram(const ChipImage& image, const Device& device);
    void FillEeprom(const ChipImage& image, const Device& device);
    void FillConfig(const ChipImage& image, const Device& device);
    QTableWidgetItem* CellOf(const Difference& difference) const;

    QString source_;
};

}  // namespace tallis
