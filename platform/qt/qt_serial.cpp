#include "platform/qt/qt_serial.h"

#include <unistd.h>

#include <QSerialPort>
#include <cerrno>

#include "platform/errors.h"

namespace platform {
namespace {

QSerialPort::Parity ToQt(char parity) {
  switch (parity) {
    case 'E': return QSerialPort::EvenParity;
    case 'O': return QSerialPort::OddParity;
    case 'M': return QSerialPort::MarkParity;
    case 'S': return QSerialPort::SpaceParity;
    default: return QSerialPort::NoParity;
  }
}

std::string Why(const QSerialPort& port) {
  switch (port.error()) {
    case QSerialPort::DeviceNotFoundError: return "нет такого устройства";
    case QSerialPort::PermissionError:
      return "порт занят другой программой или нет прав доступа (группа dialout)";
    default: return port.errorString().toStdString();
  }
}

class QtSerialDevice : public SerialDevice {
 public:
  explicit QtSerialDevice(const std::string& path) : path_(path) {
    port_.setPortName(QString::fromStdString(path));
    QObject::connect(&port_, &QSerialPort::readyRead, [this] {
      if (onBytesArrived) onBytesArrived();
    });
    QObject::connect(&port_, &QSerialPort::errorOccurred, [this](QSerialPort::SerialPortError e) {
      if (e == QSerialPort::ResourceError && port_.isOpen() && onLost)
        onLost("Порт " + path_ + " потерян: " + port_.errorString().toStdString());
    });
  }
  ~QtSerialDevice() override { close(); }

  void open(const LineSettings& s) override {
    if (!port_.open(QIODevice::ReadWrite))
      throw PortError("Не удалось открыть порт " + path_ + ": " + Why(port_));
    // Pseudo-terminals refuse some settings (parity, 7 data bits) that real ports take; a
    // refused baud rate or format on a real port is an error of the port.
    const bool ok = port_.setBaudRate(s.baud) &&
                    port_.setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits)) &&
                    port_.setParity(ToQt(s.parity)) &&
                    port_.setStopBits(s.stopBits == 2 ? QSerialPort::TwoStop
                                                      : QSerialPort::OneStop) &&
                    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!ok && !IsPseudoTerminal()) {
      const std::string why = port_.errorString().toStdString();
      port_.close();
      throw PortError("Порт " + path_ + " не принял параметры линии: " + why);
    }
    port_.clearError();
  }
  void close() override {
    if (port_.isOpen()) port_.close();
  }
  bool isOpen() const override { return port_.isOpen(); }
  void setRts(bool on) override {
    // Pseudo-terminals have no RTS line; that is not a failure of the port.
    port_.setRequestToSend(on);
    port_.clearError();
  }
  std::size_t bytesWaiting() override {
    return static_cast<std::size_t>(port_.bytesAvailable());
  }
  std::string readAll() override { return port_.readAll().toStdString(); }
  void write(std::string_view bytes) override {
    if (!port_.isOpen()) throw PortError("Порт " + path_ + " закрыт");
    const std::string_view rest = bytes.substr(WriteToDriver(bytes));
    if (rest.empty()) return;
    const auto n = port_.write(rest.data(), static_cast<qint64>(rest.size()));
    port_.flush();  // out now, not at the next turn of the event loop
    if (n != static_cast<qint64>(rest.size()))
      throw PortError("Ошибка записи в порт " + path_ + ": " + port_.errorString().toStdString());
  }

 private:
  bool IsPseudoTerminal() const { return path_.rfind("/dev/pts/", 0) == 0; }

  // Hands the bytes straight to the driver when nothing of Qt's waits before them, and says how
  // many it took. Through Qt's write buffer every request would turn the port's write watch on
  // and off again: two more turns of the event loop per request. What the driver does not take
  // now, and any failure, is left to the buffered write, which waits or reports as it does.
  std::size_t WriteToDriver(std::string_view bytes) {
    if (port_.bytesToWrite() > 0) return 0;
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(port_.handle(), bytes.data() + done, bytes.size() - done);
      if (n > 0) done += static_cast<std::size_t>(n);
      else if (n < 0 && errno == EINTR) continue;
      else break;
    }
    return done;
  }
  std::string path_;
  QSerialPort port_;
};

}  // namespace

std::unique_ptr<SerialDevice> OpenQtSerialDevice(const std::string& path) {
  return std::make_unique<QtSerialDevice>(path);
}

}  // namespace platform
