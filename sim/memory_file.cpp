#include "sim/memory_file.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include "platform/errors.h"

namespace sim {
namespace {

constexpr const char* kFormat = "tm517sim-memory";

QJsonArray Words(const std::uint32_t* w, std::size_t n) {
  QJsonArray a;
  for (std::size_t i = 0; i < n; ++i) a.append(static_cast<double>(w[i]));
  return a;
}

template <class T, std::size_t N>
QJsonArray Array(const std::array<T, N>& v) {
  QJsonArray a;
  for (const T& x : v) a.append(static_cast<double>(x));
  return a;
}

// Words of an array; missing or malformed entries are a FileError.
void ReadWords(const QJsonValue& v, std::uint32_t* out, std::size_t n, const std::string& what,
               const std::string& path) {
  const QJsonArray a = v.toArray();
  if (static_cast<std::size_t>(a.size()) != n)
    throw platform::FileError("Файл памяти " + path + ": поле " + what + " должно иметь " +
                              std::to_string(n) + " значений");
  for (std::size_t i = 0; i < n; ++i) {
    const double d = a[static_cast<qsizetype>(i)].toDouble(-1);
    if (d < 0 || d > 4294967295.0)
      throw platform::FileError("Файл памяти " + path + ": неверное значение в поле " + what);
    out[i] = static_cast<std::uint32_t>(d);
  }
}

}  // namespace

void SaveMemoryFile(const MeterMemory& m, const std::string& path) {
  QJsonObject flow;
  flow["seed"] = QString::number(static_cast<qulonglong>(m.flow.seed));
  flow["startHour"] = static_cast<double>(m.flow.startHour);
  flow["counterBase"] = Array(m.flow.counterBase);
  flow["timeBase"] = Array(m.flow.timeBase);
  flow["meanFlow"] = Array(m.flow.meanFlow);
  flow["pointCode"] = Array(m.flow.pointCode);

  QJsonArray gsm;
  for (char c : m.gsm) gsm.append(static_cast<unsigned char>(c));

  QJsonObject root;
  root["format"] = kFormat;
  root["version"] = 1;
  root["clockOffsetDays"] = m.clockOffsetDays;
  root["params"] = Words(m.params.data(), m.params.size());
  root["archive"] = Words(m.archive.data(), m.archive.size());
  root["gsm"] = gsm;
  root["flow"] = flow;

  QSaveFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(QJsonDocument(root).toJson(QJsonDocument::Compact)) < 0 || !file.commit())
    throw platform::FileError("Не удалось записать файл памяти " + path + ": " +
                              file.errorString().toStdString());
}

MeterMemory LoadMemoryFile(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly))
    throw platform::FileError("Не удалось открыть файл памяти " + path + ": " +
                              file.errorString().toStdString());
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
  const QJsonObject root = doc.object();
  if (doc.isNull() || root["format"].toString() != kFormat)
    throw platform::FileError("Файл " + path + " не является файлом памяти tm517sim" +
                              (doc.isNull() ? ": " + error.errorString().toStdString() : ""));
  MeterMemory m;
  m.clockOffsetDays = root["clockOffsetDays"].toDouble();
  ReadWords(root["params"], m.params.data(), m.params.size(), "params", path);
  ReadWords(root["archive"], m.archive.data(), m.archive.size(), "archive", path);
  std::uint32_t gsm[kGsmCount];
  ReadWords(root["gsm"], gsm, kGsmCount, "gsm", path);
  for (int i = 0; i < kGsmCount; ++i) m.gsm[i] = static_cast<char>(gsm[i] & 0xFF);

  const QJsonObject flow = root["flow"].toObject();
  bool ok = false;
  m.flow.seed = flow["seed"].toString().toULongLong(&ok);
  if (!ok) throw platform::FileError("Файл памяти " + path + ": неверное поле flow.seed");
  m.flow.startHour = static_cast<std::int64_t>(flow["startHour"].toDouble());
  ReadWords(flow["counterBase"], m.flow.counterBase.data(), 2, "flow.counterBase", path);
  ReadWords(flow["timeBase"], m.flow.timeBase.data(), 2, "flow.timeBase", path);
  for (int ch = 0; ch < 2; ++ch) {
    m.flow.meanFlow[ch] = flow["meanFlow"].toArray()[ch].toDouble();
    m.flow.pointCode[ch] = flow["pointCode"].toArray()[ch].toInt(3);
  }
  return m;
}

}  // namespace sim
