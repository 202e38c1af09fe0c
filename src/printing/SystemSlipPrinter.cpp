#include "printing/SystemSlipPrinter.h"

#include "printing/EscPos.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTcpSocket>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

SystemSlipPrinter::SystemSlipPrinter()
    : SystemSlipPrinter(Timeouts {})
{ }

SystemSlipPrinter::SystemSlipPrinter(Timeouts timeouts, QString lpProgram)
    : m_timeouts(timeouts)
    , m_lpProgram(std::move(lpProgram))
{ }

Outcome<> SystemSlipPrinter::send(const SlipDestination& where, const QByteArray& bytes)
{
    switch (where.kind) {
    case SlipDestination::Kind::None:
        return Refusal { QStringLiteral("没有设置小票打印机") };
    case SlipDestination::Kind::Queue:
        return sendToQueue(where.queue, bytes);
    case SlipDestination::Kind::Device:
        return sendToDevice(where.device, bytes);
    case SlipDestination::Kind::Network:
        return sendToNetwork(where.host, where.port, bytes);
    }
    return Refusal { QStringLiteral("没有设置小票打印机") };
}

Outcome<> SystemSlipPrinter::sendToQueue(const QString& queue, const QByteArray& bytes) const
{
    if (queue.trimmed().isEmpty())
        return Refusal { QStringLiteral("没有填写打印队列的名称") };
    QProcess lp;
    lp.start(m_lpProgram, { QStringLiteral("-d"), queue.trimmed(), QStringLiteral("-o"), QStringLiteral("raw") });
    if (!lp.waitForStarted(m_timeouts.queueMs))
        return Refusal { QStringLiteral("无法运行打印命令 lp(请安装 cups-client)") };
    lp.write(bytes);
    lp.closeWriteChannel();
    if (!lp.waitForFinished(m_timeouts.queueMs)) {
        lp.kill();
        lp.waitForFinished(1000);
        return Refusal { QStringLiteral("打印队列 %1 没有及时接收").arg(queue) };
    }
    if (lp.exitStatus() != QProcess::NormalExit || lp.exitCode() != 0) {
        const QString said = QString::fromLocal8Bit(lp.readAllStandardError()).trimmed();
        return Refusal {
            QStringLiteral("打印队列 %1 拒绝了小票%2").arg(queue, said.isEmpty() ? QString() : u':' + said)
        };
    }
    return {};
}

Outcome<> SystemSlipPrinter::sendToDevice(const QString& device, const QByteArray& bytes) const
{
    const QByteArray path = device.toLocal8Bit();
    const int file = ::open(path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0)
        return Refusal {
            QStringLiteral("打不开打印机设备 %1:%2").arg(device, QString::fromLocal8Bit(std::strerror(errno)))
        };
    const QDeadlineTimer deadline(m_timeouts.writeMs);
    qsizetype written = 0;
    QString problem;
    while (written < bytes.size()) {
        const ssize_t taken = ::write(file, bytes.constData() + written, size_t(bytes.size() - written));
        if (taken > 0) {
            written += taken;
            continue;
        }
        if (taken < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            problem = QString::fromLocal8Bit(std::strerror(errno));
            break;
        }
        pollfd waiting { file, POLLOUT, 0 };
        const qint64 left = deadline.remainingTime();
        if (left <= 0 || ::poll(&waiting, 1, int(left)) <= 0) {
            problem = QStringLiteral("打印机没有及时接收(可能缺纸或未开机)");
            break;
        }
    }
    ::close(file);
    if (!problem.isEmpty())
        return Refusal { QStringLiteral("打印机设备 %1:%2").arg(device, problem) };
    return {};
}

Outcome<> SystemSlipPrinter::sendToNetwork(const QString& host, int port, const QByteArray& bytes) const
{
    const QString name = QStringLiteral("%1:%2").arg(host).arg(port);
    if (host.trimmed().isEmpty())
        return Refusal { QStringLiteral("没有填写网络打印机的地址") };
    QTcpSocket socket;
    socket.connectToHost(host.trimmed(), quint16(port));
    if (!socket.waitForConnected(m_timeouts.connectMs))
        return Refusal { QStringLiteral("连接不上网络打印机 %1(%2)").arg(name, socket.errorString()) };
    socket.write(bytes);
    socket.write(QByteArray(EscPos::PaperStatusQuery, sizeof EscPos::PaperStatusQuery));
    const QDeadlineTimer deadline(m_timeouts.writeMs);
    while (socket.bytesToWrite() > 0) {
        if (deadline.hasExpired() || !socket.waitForBytesWritten(int(deadline.remainingTime()))) {
            socket.abort();
            return Refusal { QStringLiteral("网络打印机 %1 没有接收完小票").arg(name) };
        }
    }
    // The answer to the status question comes once the printer has read up to it.
    if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(m_timeouts.answerMs)) {
        const bool closed = socket.state() != QAbstractSocket::ConnectedState;
        socket.abort();
        return Refusal { closed ? QStringLiteral("网络打印机 %1 中途断开了连接").arg(name)
                                : QStringLiteral("网络打印机 %1 没有应答(可能缺纸、卡纸或忙)").arg(name) };
    }
    const QByteArray status = socket.read(1);
    socket.disconnectFromHost();
    if (socket.state() != QAbstractSocket::UnconnectedState)
        socket.waitForDisconnected(500);
    if (!status.isEmpty() && EscPos::paperOut(status.at(0)))
        return Refusal { QStringLiteral("网络打印机 %1 缺纸").arg(name) };
    return {};
}
