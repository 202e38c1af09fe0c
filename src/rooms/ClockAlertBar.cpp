#include "rooms/ClockAlertBar.h"

#include "rooms/ClockWatch.h"
#include "skin/PaintedText.h"

#include <QLabel>
#include <QToolButton>

namespace {

constexpr int Spacing = 10;

} // namespace

ClockAlertBar::ClockAlertBar(const ClockWatch& watch, QWidget* parent)
    : QWidget(parent)
    , m_caption(PaintedLabel(QStringLiteral("到钟提醒:"), this))
    , m_more(PaintedLabel({}, this))
{
    setObjectName(QStringLiteral("clockAlertBar"));
    m_caption->setObjectName(QStringLiteral("clockAlertCaption"));
    m_more->setObjectName(QStringLiteral("clockAlertMore"));
    connect(&watch, &ClockWatch::dueRoomsChanged, this, &ClockAlertBar::showRooms);
    showRooms(watch.dueRooms());
}

QString ClockAlertBar::dueText(const QString& room)
{
    return QStringLiteral("%1号房 已到钟").arg(room);
}

QSize ClockAlertBar::sizeHint() const
{
    return { 400, m_caption->sizeHint().height() + 8 };
}

QSize ClockAlertBar::minimumSizeHint() const
{
    return { 0, sizeHint().height() };
}

QStringList ClockAlertBar::shownRooms() const
{
    QStringList shown;
    for (int i = 0; i < m_names.size(); ++i) {
        if (!m_names[i]->isHidden())
            shown << m_rooms[i];
    }
    return shown;
}

void ClockAlertBar::showRooms(const QStringList& rooms)
{
    m_rooms = rooms;
    qDeleteAll(m_names);
    m_names.clear();
    QFont bold = PaintedFont();
    bold.setBold(true);
    for (const QString& room : rooms) {
        auto* name = new QToolButton(this);
        name->setObjectName(QStringLiteral("dueRoom%1").arg(room));
        name->setText(dueText(room));
        name->setFont(bold);
        name->setAutoRaise(true);
        name->setCursor(Qt::PointingHandCursor);
        name->setStyleSheet(QStringLiteral("QToolButton { color: rgb(200, 30, 20); }"));
        connect(name, &QToolButton::clicked, this, [this, room] { emit roomChosen(room); });
        m_names.append(name);
    }
    QStringList all;
    for (const QString& room : rooms)
        all << dueText(room);
    setToolTip(all.join(u'\n'));
    setVisible(!rooms.isEmpty());
    placeNames();
}

void ClockAlertBar::resizeEvent(QResizeEvent*)
{
    placeNames();
}

void ClockAlertBar::placeNames()
{
    const int lineHeight = height();
    int x = 0;
    m_caption->adjustSize();
    m_caption->move(x, (lineHeight - m_caption->height()) / 2);
    x += m_caption->width() + Spacing / 2;

    m_more->setText(QStringLiteral("等共%1间").arg(m_rooms.size()));
    m_more->adjustSize();
    int shown = 0;
    for (int i = 0; i < m_names.size(); ++i) {
        QToolButton* name = m_names[i];
        name->adjustSize();
        // The last name needs no room for the count after it.
        const int needed = name->width() + (i + 1 < m_names.size() ? Spacing + m_more->width() : 0);
        const bool fits = shown == i && x + needed <= width();
        name->setVisible(fits);
        if (!fits)
            continue;
        name->move(x, (lineHeight - name->height()) / 2);
        x += name->width() + Spacing;
        ++shown;
    }
    m_more->setVisible(shown < m_names.size());
    m_more->move(x, (lineHeight - m_more->height()) / 2);
}
