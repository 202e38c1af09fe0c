#include "rooms/RoomPage.h"

#include "app/LeadingNumber.h"
#include "app/MessageService.h"
#include "app/SetbackMessage.h"
#include "app/TextFormat.h"
#include "desk/AppServices.h"
#include "desk/DeskSession.h"
#include "rooms/ChangeTechnicianDialog.h"
#include "rooms/ClockWatch.h"
#include "rooms/MoveGuestDialog.h"
#include "rooms/QuickNumberingDialog.h"
#include "rooms/RoomBoard.h"
#include "rooms/RoomCell.h"
#include "rooms/RoomLamp.h"
#include "rooms/RoomNumberDialog.h"
#include "rooms/RoomState.h"

#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The surface the rooms lie on. Room k sits in row (k - 1) / 8 and column (k - 1) % 8; the
// steps between rooms are (width - 20) / 8 and (height - 20) / 5, from a margin of 10. The
// cells grow with the steps up to a limit, so that a large window shows larger rooms.
class RoomGrid : public QWidget
{
public:
    explicit RoomGrid(QWidget* parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("roomGrid"));
        setMinimumSize(RoomPage::MinimumGridWidth, RoomPage::MinimumGridHeight);
    }

    void setCells(const QList<RoomCell*>& cells) { m_cells = cells; }

protected:
    void resizeEvent(QResizeEvent*) override { placeCells(); }

    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        QLinearGradient fill(0, 0, 0, height());
        fill.setColorAt(0, QColor(214, 226, 236));
        fill.setColorAt(1, QColor(190, 206, 222));
        painter.fillRect(rect(), fill);
        painter.fillRect(rect(), QBrush(QColor(255, 255, 255, 40), Qt::Dense6Pattern));
    }

private:
    void placeCells()
    {
        const int columnStep = (width() - 20) / RoomPage::Columns;
        const int rowStep = (height() - 20) / RoomPage::Rows;
        const qreal scale = std::clamp(
            std::min(columnStep * 0.8 / RoomCell::BaseWidth, rowStep * 0.8 / RoomCell::BaseHeight), 1.0, 1.8);
        const int cellWidth = qRound(RoomCell::BaseWidth * scale);
        const int cellHeight = qRound(RoomCell::BaseHeight * scale);
        for (int index = 0; index < m_cells.size(); ++index) {
            const int row = index / RoomPage::Columns;
            const int column = index % RoomPage::Columns;
            const int x = 10 + column * columnStep + std::max(0, (columnStep - cellWidth) / 2);
            const int y = 10 + row * rowStep + std::max(0, (rowStep - cellHeight) / 2);
            m_cells[index]->setGeometry(x, y, cellWidth, cellHeight);
        }
    }

    QList<RoomCell*> m_cells;
};

// "已上钟35分钟, 11:20:05到钟" under the technician numbers.
QString clockToolTip(const ServiceClockReading& clock)
{
    const QString served = QStringLiteral("已上钟%1分钟").arg(clock.minutesInService);
    if (!clock.end.isValid())
        return served;
    if (clock.alert == ClockAlert::Due)
        return served + QStringLiteral(", 已到钟");
    return served + QStringLiteral(", %1到钟").arg(clock.end.toString(TimeOfDayFormat));
}

} // namespace

RoomPage::RoomPage(int groupIndex, RoomBoard& board, AppServices& services, QWidget* parent)
    : QWidget(parent)
    , m_groupIndex(groupIndex)
    , m_board(board)
    , m_services(services)
    , m_scroll(new QScrollArea(this))
{
    auto* grid = new RoomGrid(m_scroll);
    for (int room = 1; room <= RoomCount; ++room) {
        auto* cell = new RoomCell(room, grid);
        connect(cell, &RoomCell::lampClicked, this, [this, room] { openRoomService(room); });
        connect(cell, &RoomCell::numberClicked, this, [this, room] { editNumber(room); });
        connect(cell, &RoomCell::seatClicked, this, [this, room] { editSeats(room); });
        cell->lamp()->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(cell->lamp(), &QWidget::customContextMenuRequested, this, [this, room, cell](const QPoint& at) {
            QMenu* menu = roomMenu(room);
            menu->exec(cell->lamp()->mapToGlobal(at));
            delete menu;
        });
        m_cells.append(cell);
    }
    grid->setCells(m_cells);

    m_scroll->setObjectName(QStringLiteral("roomScroll"));
    m_scroll->setWidget(grid);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scroll);

    refreshRooms();
    connect(&m_services.session, &DeskSession::roomChanged, this, &RoomPage::showRoomState);
}

void RoomPage::setClockWatch(const ClockWatch* watch)
{
    if (m_clockWatch)
        disconnect(m_clockWatch, nullptr, this, nullptr);
    m_clockWatch = watch;
    if (m_clockWatch) {
        connect(m_clockWatch, &ClockWatch::readingsChanged, this, [this](const QStringList& rooms) {
            for (const QString& number : rooms)
                showRoomState(number);
        });
    }
    refreshRooms();
}

int RoomPage::roomWithNumber(const QString& number) const
{
    for (int room = 1; room <= RoomCount; ++room) {
        if (numberText(room) == number)
            return room;
    }
    return 0;
}

RoomCell* RoomPage::room(int room) const
{
    return room >= 1 && room <= m_cells.size() ? m_cells[room - 1] : nullptr;
}

QString RoomPage::lampText(int room) const
{
    return m_cells.value(room - 1) ? m_cells[room - 1]->lamp()->text() : QString();
}

QString RoomPage::numberText(int room) const
{
    return m_cells.value(room - 1) ? m_cells[room - 1]->numberLabel()->text() : QString();
}

QString RoomPage::seatText(int room) const
{
    return m_cells.value(room - 1) ? m_cells[room - 1]->seatLabel()->text() : QString();
}

void RoomPage::refreshRooms()
{
    for (int room = 1; room <= RoomCount; ++room)
        refreshRoom(room);
}

void RoomPage::refreshRoom(int room)
{
    RoomCell* cell = m_cells[room - 1];
    const QString number = m_board.numberText(m_groupIndex, room);
    cell->numberLabel()->setText(number);
    cell->seatLabel()->setText(m_board.seatText(m_groupIndex, room));
    showLamp(room, number);
}

void RoomPage::showLamp(int room, const QString& number)
{
    RoomLamp* lamp = m_cells[room - 1]->lamp();
    const QString text = RoomStates::lampText(m_services.session, number);
    const RoomState state = m_services.session.roomState(number);
    lamp->setText(text);
    lamp->setLit(state != RoomState::Idle);
    const std::optional<ServiceClockReading> clock
        = m_clockWatch && state == RoomState::InService ? m_clockWatch->reading(number) : std::nullopt;
    lamp->setClock(clock ? ServiceMinutesText(*clock) : QString(), clock ? clock->alert : ClockAlert::Normal);
    // A lamp of a room in service tells its whole text, also what a small lamp had to cut, and
    // when its clocks end.
    QStringList tip;
    if (state == RoomState::InService && !text.trimmed().isEmpty())
        tip << RoomStates::technicianCalls(*m_services.session.bill(number));
    if (clock)
        tip << clockToolTip(*clock);
    lamp->setToolTip(tip.isEmpty() ? RoomLamp::StateToolTip : tip.join(u'\n'));
}

void RoomPage::showRoomState(const QString& number)
{
    for (int room = 1; room <= RoomCount; ++room) {
        if (numberText(room) == number)
            showLamp(room, number);
    }
}

void RoomPage::saveRoomNumbers()
{
    m_board.save(m_groupIndex, m_services.messages);
}

void RoomPage::openRoomService(int room)
{
    if (!m_opener || !this->room(room))
        return;
    const QString number = numberText(room);
    // A new stay needs a number that is this room's alone: the number is the key of its bill.
    if (m_board.isIdle(m_groupIndex, room, m_services.session) && !m_board.hasOwnNumber(m_groupIndex, room)) {
        m_services.messages.inform(RoomBoard::UnnumberedText);
        return;
    }
    bool unrecognised = false;
    const RoomServiceRequest request
        = RoomStates::requestForLamp(m_services.session, number, lampText(room), &unrecognised);
    if (unrecognised) {
        m_services.messages.inform(RoomStates::UnrecognisedText);
        showLamp(room, number); // the lamp shows what the session holds
    }
    const RoomServiceOutcome outcome = m_opener(request);
    // The lamps follow the session's roomChanged; a refused or failed change leaves them.
    if (const Outcome<> applied = RoomStates::applyOutcome(m_services.session, number, outcome); !applied)
        ShowSetback(m_services.messages, applied);
}

void RoomPage::editNumber(int room)
{
    if (!this->room(room))
        return;
    // The number is the key of the room's bill: a room in use keeps it until the stay ends.
    if (!m_board.isIdle(m_groupIndex, room, m_services.session)) {
        m_services.messages.inform(RoomBoard::RoomInUseText);
        return;
    }
    RoomNumberDialog dialog(RoomNumberDialog::Mode::Number, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const qint32 number = LeadingInt(dialog.enteredText());
    const QString refusal = m_board.numberChangeRefusal(m_groupIndex, room, number, m_services.session);
    if (!refusal.isEmpty()) {
        m_services.messages.inform(refusal);
        return;
    }
    m_board.setNumber(m_groupIndex, room, number, m_services.messages);
    refreshRoom(room);
}

void RoomPage::editSeats(int room)
{
    if (!this->room(room))
        return;
    RoomNumberDialog dialog(RoomNumberDialog::Mode::Seats, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_board.setSeats(m_groupIndex, room, LeadingInt(dialog.enteredText()), m_services.messages);
    refreshRoom(room);
}

QMenu* RoomPage::roomMenu(int room)
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("roomMenu"));
    const RoomState state = this->room(room) ? m_services.session.roomState(numberText(room)) : RoomState::Idle;
    QAction* move = menu->addAction(QStringLiteral("换房"), this, [this, room] { moveGuest(room); });
    move->setObjectName(QStringLiteral("moveGuestAction"));
    move->setEnabled(state != RoomState::Idle);
    QAction* change = menu->addAction(QStringLiteral("换技师"), this, [this, room] { changeTechnician(room); });
    change->setObjectName(QStringLiteral("changeTechnicianAction"));
    change->setEnabled(state == RoomState::InService);
    return menu;
}

void RoomPage::moveGuest(int room)
{
    if (!this->room(room))
        return;
    const QString number = numberText(room);
    if (m_services.session.roomState(number) == RoomState::Idle)
        return;
    MoveGuestDialog dialog(m_services, number, m_board.idleRoomNumbers(m_services.session), this);
    dialog.exec(); // the lamps follow the session's roomChanged
}

void RoomPage::changeTechnician(int room)
{
    if (!this->room(room))
        return;
    const QString number = numberText(room);
    if (m_services.session.roomState(number) != RoomState::InService)
        return;
    ChangeTechnicianDialog dialog(m_services, number, this);
    dialog.exec();
}

void RoomPage::runQuickNumbering()
{
    QuickNumberingDialog dialog(m_services.messages, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QList<qint32> numbers
        = RoomBoard::quickNumbers(dialog.startNumber(), dialog.endNumber(), dialog.unwantedNumbers());
    const QString refusal = m_board.quickNumberingRefusal(m_groupIndex, numbers, m_services.session);
    if (!refusal.isEmpty()) {
        m_services.messages.inform(refusal);
        return;
    }
    m_board.applyQuickNumbering(m_groupIndex, numbers, m_services.messages);
    refreshRooms();
}
