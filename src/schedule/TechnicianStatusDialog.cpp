#include "schedule/TechnicianStatusDialog.h"

#include "app/MessageService.h"
#include "app/RowListModel.h"
#include "app/RowListView.h"
#include "app/SetbackMessage.h"
#include "app/StaffLookup.h"
#include "desk/AppServices.h"
#include "desk/DeskSession.h"
#include "skin/PaintedText.h"

#include <QGridLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int NumberColumn = 0;
// A technician serving a 点钟 who keeps his place in the idle queue stands there with his name so
// marked ("张丽(点钟中)"); the desk does not offer him as the next one until he is back.
const QString ServingRequestedText = QStringLiteral("(点钟中)");

QPushButton* MoveButton(const QString& text, const char* objectName, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setAutoDefault(false); // Enter must never move a technician
    button->setFixedSize(44, 25);
    return button;
}

} // namespace

TechnicianStatusDialog::TechnicianStatusDialog(AppServices& services, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_idleList(new RowListView(this))
    , m_workingList(new RowListView(this))
{
    setObjectName(QStringLiteral("technicianStatusDialog"));
    setWindowTitle(QStringLiteral("技师工作状态和上钟顺序"));

    m_idleList->setObjectName(QStringLiteral("idleList"));
    m_workingList->setObjectName(QStringLiteral("workingList"));
    for (RowListView* view : { m_idleList, m_workingList }) {
        view->setColumns({ QStringLiteral("技师编号"), QStringLiteral("姓名") });
        view->setMinimumSize(2 * 68 + 22, 300);
    }

    QPushButton* toWork = MoveButton(QStringLiteral(">>"), "buttonToWorking", this);
    QPushButton* toIdle = MoveButton(QStringLiteral("<<"), "buttonToIdle", this);
    auto* buttons = new QVBoxLayout;
    buttons->addStretch();
    buttons->addWidget(toWork);
    buttons->addSpacing(12);
    buttons->addWidget(toIdle);
    buttons->addStretch();

    auto* layout = new QGridLayout(this);
    layout->setHorizontalSpacing(14);
    layout->addWidget(PaintedLabel(QStringLiteral("---空闲技师列表---"), this, 15), 0, 0, Qt::AlignHCenter);
    layout->addWidget(PaintedLabel(QStringLiteral("---工作技师列表---"), this, 15), 0, 2, Qt::AlignHCenter);
    layout->addWidget(m_idleList, 1, 0);
    layout->addLayout(buttons, 1, 1);
    layout->addWidget(m_workingList, 1, 2);

    connect(
        toWork, &QPushButton::clicked, this, [this] { move(m_idleList, m_workingList, &DeskSession::moveToWorking); });
    connect(toIdle, &QPushButton::clicked, this, [this] { move(m_workingList, m_idleList, &DeskSession::moveToIdle); });

    fill(m_idleList, m_services.session.idleQueue().numbers());
    fill(m_workingList, m_services.session.workingList().numbers());
}

void TechnicianStatusDialog::fill(RowListView* view, const QStringList& numbers)
{
    LookedUpRows list = TechnicianRows(m_services.database, numbers);
    if (view == m_idleList) {
        for (QStringList& row : list.rows) {
            if (row.size() > 1 && m_services.session.servesKeepingTurn(row.value(NumberColumn)))
                row[1] += ServingRequestedText;
        }
    }
    view->rows().setRows(list.rows);
    for (const QString& error : list.errors)
        m_services.messages.inform(error);
}

void TechnicianStatusDialog::move(
    RowListView* sourceView, RowListView* targetView, Outcome<> (DeskSession::*moveInSession)(const QString&))
{
    const int row = sourceView->selectedRow();
    if (row < 0)
        return;
    if (!m_services.messages.ask(QStringLiteral("请认真确认选择的技师,是否状态出错,不然系统将出现统计错误!")))
        return;
    const QStringList cells = sourceView->rows().row(row);
    if (const Outcome<> moved = (m_services.session.*moveInSession)(cells.value(NumberColumn)); !moved) {
        ShowSetback(m_services.messages, moved);
        return;
    }
    // The moved technician shows on top of his new list until the board is opened again, when he
    // stands in his true place at the tail.
    targetView->insertRow(cells, 0);
    sourceView->rows().removeRowAt(row);
}
