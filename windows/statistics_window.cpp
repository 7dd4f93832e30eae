#include "windows/statistics_window.h"

#include <QLabel>
#include <algorithm>

#include "nav/statistics.h"
#include "engine/view_texts.h"
#include "windows/readable_text.h"

namespace {

constexpr int Margin = 20;
constexpr int RowHeight = 16;
constexpr int LabelWidth = 120;
constexpr int ValueWidth = 80;
constexpr int WindowWidth = 260;
constexpr int WindowHeight = 220;

QLabel* NewRowLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

// Wide enough for the widest text, never narrower than the original column.
int ColumnWidth(const QList<QLabel*>& column, int atLeast)
{
    int width = atLeast;
    for (const QLabel* label : column)
        width = std::max(width, label->fontMetrics().horizontalAdvance(label->text()) + 4);
    return width;
}

}  // namespace

StatisticsWindow::StatisticsWindow(QWidget* owner) : ToolWindow(owner, "QUORVATIX STATISTICS")
{
    heading_ = NewRowLabel(Controls());
    for (int i = 0; i < FactCount; ++i) {
        labels_[i] = NewRowLabel(Controls());
        values_[i] = NewRowLabel(Controls());
        values_[i]->setStyleSheet(ReadableTextStyle(this, Qt::blue));
    }
    move(100, 100);
    Refresh();
}

void StatisticsWindow::Refresh(bool)
{
    SyncViewTexts();
    heading_->clear();
    for (int i = 0; i < FactCount; ++i) {
        labels_[i]->clear();
        values_[i]->clear();
    }
    for (const StatisticsRow& row : StatisticsRows()) {
        const QString label = QString::fromStdString(row.label);
        if (row.number == 1) {
            heading_->setText(label);
            continue;
        }
        const int i = row.number - FirstFactRow;
        labels_[i]->setText(label);
        values_[i]->setText(QString::fromStdString(row.value));
    }
    PlaceLabels();
}

void StatisticsWindow::PlaceLabels()
{
    // The original's pixel grid, widened where this desktop's font or a long
    // system name needs more room, so that no text is cut.
    const QList<QLabel*> labels(labels_.begin(), labels_.end());
    const QList<QLabel*> values(values_.begin(), values_.end());
    const int labelWidth = ColumnWidth(labels, LabelWidth);
    const int valueWidth = ColumnWidth(values, ValueWidth);
    const int rowHeight = std::max(RowHeight, heading_->fontMetrics().height());
    const int valueX = Margin + labelWidth;

    heading_->setGeometry(Margin, Margin, labelWidth + valueWidth, rowHeight);
    for (int i = 0; i < FactCount; ++i) {
        // The facts start on the line below the heading.
        const int y = Margin + rowHeight * (FirstFactRow + i - 7);
        labels_[i]->setGeometry(Margin, y, labelWidth, rowHeight);
        values_[i]->setGeometry(valueX, y, valueWidth, rowHeight);
    }
    const int lastRowBottom = Margin + rowHeight * (LastFactRow - 6);
    setFixedSize(std::max(WindowWidth, valueX + valueWidth + Margin),
                 std::max(WindowHeight, lastRowBottom + Margin));
}
