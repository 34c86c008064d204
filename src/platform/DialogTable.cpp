#include "platform/DialogTable.h"

#include <QHeaderView>
#include <QTableView>

namespace tesmo {

void setUpDialogTable(QTableView *table, std::initializer_list<int> widths)
{
    table->setTabKeyNavigation(false);
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setStretchLastSection(true);
    int column = 0;
    for (const int width : widths)
        table->setColumnWidth(column++, width);
}

} // namespace tesmo
