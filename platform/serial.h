#pragma once
// The serial port as the programs use it: the operations of the original serial control
// (port, settings text, open and close, RTS, input mode, waiting count, input, output) over a
// byte device that a backend supplies: Qt SerialPort for real ports and pseudo-terminals, an
// in-memory line for tests.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

// A line settings text such as "9600,N,8,1".
struct LineSettings {
  int baud = 115200;
  char parity = 'N';  // N, E, O, M or S
  int dataBits = 8;
  int stopBits = 1;
};
// Throws PortError naming the text when it is not of the form speed,parity,bits,stop.
LineSettings ParseLineSettings(const std::string& text);

// The raw byte device behind a port.
class SerialDevice {
 public:
  virtual ~SerialDevice() = default;
  virtual void open(const LineSettings& settings) = 0;  // throws PortError
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
  virtual void setRts(bool on) = 0;
  virtual std::size_t bytesWaiting() = 0;
  virtual std::string readAll() = 0;
  virtual void write(std::string_view bytes) = 0;  // throws PortError

  // Wakes whoever waits for input: called when bytes arrived.
  std::function<void()> onBytesArrived;
  // Called when the device fails while open (for example a USB adapter pulled out).
  std::function<void(const std::string& message)> onLost;
};

// Makes the device for a port text: "1" to "9", a device path, or "sim". Throws PortError.
using DeviceFactory = std::function<std::unique_ptr<SerialDevice>(const std::string& port)>;

// The port of a port list text: an item may carry a note after the port, as in
// "/dev/ttyUSB0 (занят или нет доступа)"; the port is the text before " (".
std::string PortName(const std::string& listText);

// The device path that a port text names: a number N stands for /dev/ttyS<N-1>; a text with
// a "/" is a path; anything else is a PortError.
std::string PortPath(const std::string& port);

// The serial control of a window.
class MSComm {
 public:
  static constexpr int comInputModeText = 0;
  static constexpr int comInputModeBinary = 1;

  explicit MSComm(DeviceFactory factory);
  ~MSComm();

  std::string CommPort = "1";
  std::string Settings = "115200,N,8,1";
  int InputLen = 0;
  int RThreshold = 0;
  int SThreshold = 0;
  int InputMode = comInputModeText;
  int InBufferSize = 1024;
  int OutBufferSize = 1024;
  bool NullDiscard = false;

  // Opening resolves CommPort and parses Settings; failures throw PortError and leave the
  // port closed. Closing a closed port does nothing.
  void SetPortOpen(bool open);
  bool PortOpen() const;
  void SetRTSEnable(bool on);

  std::size_t InBufferCount();
  // Everything waiting, removed from the buffer; one char per byte in either input mode.
  std::string Input();
  // Sends the bytes whole and in order; on a closed port a PortError.
  void Output(std::string_view bytes);

  // Bytes arrived at the open port.
  std::function<void()> OnBytesArrived;
  // The open port failed; it is closed by then.
  std::function<void(const std::string& message)> OnLost;

 private:
  DeviceFactory factory_;
  std::unique_ptr<SerialDevice> device_;
};

}  // namespace platform
