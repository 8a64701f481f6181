#include "apps/common/extra_exports.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/errors.h"

namespace app {
namespace {

constexpr std::size_t kHoursCharted = 72;  // the hourly charts show the last three days read

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (f) ok = std::fclose(f) == 0 && ok;
  if (ok) return;
  std::remove(path.c_str());  // no file is left cut short, looking whole
  throw platform::FileError("Ошибка записи в файл " + path);
}

void MakeFolder(const std::string& folder) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) throw platform::FileError("Не удалось создать папку " + folder + ": " + ec.message());
}

struct Bar {
  QString label;
  double value;
  bool known;  // as in the graph files: no bar without a previous and a current reading
};

Bar BarOf(QString label, const report::SeriesRow& r, int channel) {
  return {std::move(label), r.increment[channel],
          r.previous[channel] != 0 && r.reading[channel] != 0};
}

struct Chart {
  QString title, xAxis, yAxis;
  std::vector<Bar> bars;
};

// "15.08" for a day, "15.08 14:00" for an hour, from a packed clock value.
QString DayLabel(std::uint32_t stamp) {
  return QString("%1.%2").arg(stamp % 1000000 / 10000, 2, 10, QChar('0'))
      .arg(stamp % 100000000 / 1000000, 2, 10, QChar('0'));
}
QString HourLabel(std::uint32_t stamp) {
  return DayLabel(stamp) + QString(" %1:00").arg(stamp % 10000 / 100, 2, 10, QChar('0'));
}

// A round step for about five ticks up to `top`.
double TickStep(double top) {
  const double raw = top / 5;
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0, 10.0})
    if (raw <= m * magnitude) return m * magnitude;
  return 10 * magnitude;
}

QImage Draw(const Chart& chart) {
  constexpr int kWidth = 1000, kHeight = 500, kLeft = 90, kRight = 20, kTop = 40, kBottom = 100;
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QFont font("DejaVu Sans");
  font.setPixelSize(13);
  p.setFont(font);
  const QRect plot(kLeft, kTop, kWidth - kLeft - kRight, kHeight - kTop - kBottom);

  double top = 0;
  for (const auto& b : chart.bars)
    if (b.known) top = std::max(top, std::fabs(b.value));
  if (top <= 0) top = 1;
  const double step = TickStep(top);
  top = std::ceil(top / step) * step;

  p.setPen(QColor(0xDD, 0xDD, 0xDD));
  for (double v = 0; v <= top + step / 2; v += step) {
    const int y = plot.bottom() - static_cast<int>(v / top * plot.height());
    p.drawLine(plot.left(), y, plot.right(), y);
    p.setPen(Qt::black);
    p.drawText(QRect(0, y - 8, kLeft - 8, 16), Qt::AlignRight | Qt::AlignVCenter,
               QString::number(v, 'g', 6));
    p.setPen(QColor(0xDD, 0xDD, 0xDD));
  }

  const int n = static_cast<int>(chart.bars.size());
  const double slot = n > 0 ? static_cast<double>(plot.width()) / n : plot.width();
  const int labelEvery = std::max(1, static_cast<int>(std::ceil(70.0 / slot)));
  for (int i = 0; i < n; ++i) {
    const double h = chart.bars[i].known ? std::fabs(chart.bars[i].value) / top * plot.height() : 0;
    const QRectF bar(plot.left() + i * slot + slot * 0.15, plot.bottom() - h, slot * 0.7, h);
    p.fillRect(bar, chart.bars[i].value < 0 ? QColor(0xC0, 0x30, 0x30) : QColor(0x20, 0x50, 0xA0));
    if (i % labelEvery == 0) {
      p.setPen(Qt::black);
      p.save();
      p.translate(plot.left() + (i + 0.5) * slot, plot.bottom() + 6);
      p.rotate(45);
      p.drawText(0, 10, chart.bars[i].label);
      p.restore();
    }
  }
  p.setPen(Qt::black);
  p.drawRect(plot);
  QFont bold = font;
  bold.setBold(true);
  bold.setPixelSize(15);
  p.setFont(bold);
  p.drawText(QRect(0, 8, kWidth, 24), Qt::AlignCenter, chart.title);
  p.setFont(font);
  p.drawText(QRect(kLeft, kHeight - 22, plot.width(), 20), Qt::AlignCenter, chart.xAxis);
  p.save();
  p.translate(16, kTop + plot.height() / 2);
  p.rotate(-90);
  p.drawText(QRect(-plot.height() / 2, -10, plot.height(), 20), Qt::AlignCenter, chart.yAxis);
  p.restore();
  return image;
}

void SaveChart(const Chart& chart, const std::string& path) {
  if (!Draw(chart).save(QString::fromStdString(path), "PNG"))
    throw platform::FileError("Не удалось записать рисунок " + path);
}

Chart Daily(const std::vector<report::SeriesRow>& days, int channel) {
  Chart c{QString("Суточный расход, канал №%1").arg(channel + 1), "Дата", "Расход за сутки", {}};
  for (const auto& r : days) c.bars.push_back(BarOf(DayLabel(r.stamp), r, channel));
  return c;
}

Chart Hourly(const std::vector<report::SeriesRow>& hours, int channel) {
  Chart c{QString("Часовой расход за последние дни, канал №%1").arg(channel + 1),
          "Дата и час", "Расход за час", {}};
  const std::size_t first = hours.size() > kHoursCharted ? hours.size() - kHoursCharted : 0;
  for (std::size_t i = first; i < hours.size(); ++i)
    c.bars.push_back(BarOf(HourLabel(hours[i].stamp), hours[i], channel));
  return c;
}

}  // namespace

void WriteCsvFiles(const report::ArchiveSeries& series, const std::string& dataDir,
                   const std::string& stamp) {
  const std::string folder = dataDir + "arc/csv/";
  MakeFolder(folder);
  const auto files = report::CsvFiles(series);
  const bool ran[] = {series.hourly, series.hourly, series.monthly};
  for (std::size_t i = 0; i < files.size(); ++i)
    if (ran[i]) WriteWholeFile(folder + stamp + report::kCsvSuffixes[i], files[i]);
}

void WriteCharts(const report::ArchiveSeries& series, const std::string& dataDir,
                 const std::string& stamp) {
  if (!series.hourly) return;
  const std::string folder = dataDir + "arc/graf/";
  MakeFolder(folder);
  for (int channel = 0; channel < 2; ++channel) {
    const std::string n = std::to_string(channel + 1);
    SaveChart(Daily(series.days, channel), folder + stamp + "_sut_" + n + ".png");
    SaveChart(Hourly(series.hours, channel), folder + stamp + "_chas_" + n + ".png");
  }
}

}  // namespace app
