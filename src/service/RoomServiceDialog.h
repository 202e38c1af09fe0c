#pragma once

#include "desk/DeskSession.h"
#include "desk/OperatorLog.h"
#include "rooms/RoomServiceExchange.h"
#include "service/ServiceCatalog.h"
#include "service/ServiceSettings.h"

#include <QDateTime>
#include <QDialog>

#include <functional>
#include <optional>

struct AppServices;
class GoodsLinesModel;
class ItemLinesModel;
class QCheckBox;
class LineListView;
class QButtonGroup;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class TechnicianLinesModel;

// "%s号房的服务状态": one room's business between the guest's arrival and checkout. "入客" marks a
// guest, "上钟" starts the service; technicians come from the idle queue (head first; one
// the guest asked for by number is marked 点钟), the counts of massage, foot-wash and pedicure are chosen,
// items of the menu are added for the room's technicians, goods are taken from stock, and
// "结帐" opens checkout. "作废" ends the stay without a bill, approved by someone above a
// cashier when a service runs.
//
// What the dialog changes at once is stored at once through the desk session: a count chosen
// from a box or added with "加钟", a technician taken or given back, an item line of a room
// with a bill (a room taken into service here bills its item lines with "确定"), and the end of the stay by
// checkout or "作废". Typed counts and the goods list reach the room's bill with "确定"; Esc
// leaves them.
class RoomServiceDialog : public QDialog
{
    Q_OBJECT

public:
    static const QString ChooseTechnicianText; // "请选择技师"
    static const QString ChooseGoodsText; // "请选择商品"
    static const QString ReductionRefusedText; // "收银员没有权限减单!"
    static const QString NotInServiceText; // "房间状态改为上钟才可以添加技师,请在左上角选中上钟!"

    RoomServiceDialog(AppServices& services, const RoomServiceRequest& request, QWidget* parent = nullptr);
    ~RoomServiceDialog() override;

    // How the dialog ended, for the room page: after "确定", the bill as the lists and boxes
    // hold it.
    RoomServiceOutcome outcome() const;
    bool isClosed() const { return m_closed; }

    // What the clock runs every second: the time now and the whole minutes since the start.
    void showClock();

private:
    void createControls();
    QLayout* createTimeRow();
    QLayout* createCountRow();
    QLayout* createTechnicianArea();
    QLayout* createGoodsArea();
    QLayout* createItemArea();
    void fillItemBoxes();
    QLayout* createButtonRow();
    void fillGoodsBox();

    void chooseGuestIn();
    void chooseInService();
    void chooseCount(BillCount count, QComboBox* box, int index);
    // Whether `change` of the stored bill takes something off it.
    bool lowers(const std::function<void(OpenBill&)>& change) const;
    // Before a change that takes something off the stored bill, when the house asks for it
    // ("减单需授权"): the approval of a 部长 or above. Nothing when it was refused; an absent
    // authoriser when none is needed.
    std::optional<Authoriser> approveReduction(const std::function<void(OpenBill&)>& change);
    std::optional<ServiceSettings> readPrices() const;
    // "加钟": one massage clock more, stored at once like a count chosen from the box.
    QPushButton* createAddClockButton();
    void addClock();
    void showTechnicianStatus();
    void addTechnician();
    void removeTechnician();
    void addItem();
    void removeItem();
    void showGoodsRecords();
    void addGoods();
    void removeGoods();
    void checkout();
    void voidStay();
    void confirm();

    // After an action the desk session refused or failed (another desk may have changed the
    // room or taken a technician): the room as stored now. Counts and goods the clerk entered
    // and has not stored yet stay where the other desk left the stored ones as this dialog
    // last saw them; a room settled or voided elsewhere ends here too.
    void showRoomAsStored();
    // The idle technicians offered in the box, as the session holds them.
    void offerIdleTechnicians();
    // The room's bill as stored, as the dialog last showed or wrote it.
    void noteStoredBill();

    bool hasBill() const;
    // The technicians the list holds who are at work and belong to no bill: those a room
    // taken into service for the first time holds until its first "确定".
    QStringList unbilledTechnicians() const;
    // The stay has ended (settled or voided): the room is idle, and nothing more is entered.
    void endStay();
    OpenBill billShown() const;

    AppServices& m_services;
    const QString m_room;
    bool m_inService;
    bool m_closed = false;
    QDateTime m_startTime;
    std::optional<OpenBill> m_storedBill; // see noteStoredBill()

    TechnicianLinesModel* m_technicians;
    GoodsLinesModel* m_goods;
    ItemLinesModel* m_items;
    QList<ServiceItem> m_menu; // the items offered, in the menu's order
    QTimer* m_clockTimer;
    QButtonGroup* m_stateGroup = nullptr;
    QRadioButton* m_guestInButton = nullptr;
    QRadioButton* m_inServiceButton = nullptr;
    QLineEdit* m_startTimeEdit = nullptr;
    QLineEdit* m_clockEdit = nullptr;
    QLineEdit* m_elapsedEdit = nullptr;
    QComboBox* m_massageBox = nullptr;
    QComboBox* m_footWashBox = nullptr;
    QComboBox* m_pedicureBox = nullptr;
    QComboBox* m_technicianBox = nullptr;
    QCheckBox* m_requestedBox = nullptr;
    QComboBox* m_itemBox = nullptr;
    QComboBox* m_itemTechnicianBox = nullptr;
    QComboBox* m_itemCountBox = nullptr;
    LineListView* m_itemList = nullptr;
    LineListView* m_technicianList = nullptr;
    QComboBox* m_goodsBox = nullptr;
    // A technician or an article chosen or typed in its box and not added yet: "确定" asks
    // before it is given up.
    bool m_technicianUnadded = false;
    bool m_goodsUnadded = false;
    QComboBox* m_quantityBox = nullptr;
    LineListView* m_goodsList = nullptr;
    QList<QWidget*> m_editing; // what the end of the stay disables
};
