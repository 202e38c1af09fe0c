#pragma once

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QTcpServer>
#include <QTcpSocket>

#include <atomic>
#include <future>
#include <thread>

// A thermal printer on the network for tests: a server on 127.0.0.1 in a thread of its own
// (the desk waits for the printer's answer on the test's thread). Each connection's bytes are
// one slip. It behaves as a working printer, one that has run out of paper, one that takes
// the connection and then reads nothing, or one that closes the connection halfway.
class FakeNetworkPrinter
{
public:
    enum class Mode { Working, PaperOut, Silent, ClosesMidway };

    FakeNetworkPrinter()
    {
        std::promise<quint16> listening;
        std::future<quint16> port = listening.get_future();
        m_thread = std::thread([this, promise = std::move(listening)]() mutable { serve(promise); });
        m_port = port.get();
    }

    ~FakeNetworkPrinter()
    {
        m_stop = true;
        m_thread.join();
    }

    quint16 port() const { return m_port; }
    void setMode(Mode mode) { m_mode = mode; }

    // The slips received whole (a working printer's or one out of paper), without the status
    // question that ends each.
    QList<QByteArray> slips() const
    {
        QMutexLocker lock(&m_mutex);
        return m_slips;
    }
    int connections() const { return m_connections; }

    // A port on 127.0.0.1 where nothing listens.
    static quint16 closedPort()
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost);
        const quint16 port = server.serverPort();
        server.close();
        return port;
    }

private:
    static constexpr char Query[] = { 0x10, 0x04, 0x04 };

    void serve(std::promise<quint16>& listening)
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost);
        listening.set_value(server.serverPort());
        while (!m_stop) {
            if (!server.waitForNewConnection(50))
                continue;
            QTcpSocket* socket = server.nextPendingConnection();
            ++m_connections;
            take(*socket);
            delete socket;
        }
    }

    void take(QTcpSocket& socket)
    {
        const Mode mode = m_mode;
        QByteArray received;
        if (mode == Mode::Silent) {
            // Holds the connection and reads nothing until the desk gives up.
            while (!m_stop && socket.state() == QAbstractSocket::ConnectedState)
                socket.waitForDisconnected(50);
            return;
        }
        while (!m_stop && socket.state() == QAbstractSocket::ConnectedState) {
            if (!socket.waitForReadyRead(50))
                continue;
            received += socket.readAll();
            if (mode == Mode::ClosesMidway && received.size() > 40) {
                socket.abort();
                return;
            }
            if (received.endsWith(QByteArray(Query, sizeof Query))) {
                socket.write(QByteArray(1, mode == Mode::PaperOut ? char(0x72) : char(0x12)));
                socket.waitForBytesWritten(1000);
                received.chop(sizeof Query);
                QMutexLocker lock(&m_mutex);
                m_slips.append(received);
                received.clear();
            }
        }
    }

    std::thread m_thread;
    quint16 m_port = 0;
    std::atomic<bool> m_stop { false };
    std::atomic<Mode> m_mode { Mode::Working };
    std::atomic<int> m_connections { 0 };
    mutable QMutex m_mutex;
    QList<QByteArray> m_slips;
};
