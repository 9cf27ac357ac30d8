#include "editor/preset_chooser.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "document/presets.h"
#include "editor/seal_thumbnail.h"

namespace korvane {

namespace {

constexpr int kPictureSide = 96;

// In the order a seal maker's price list gives them.
constexpr std::pair<const char*, const char*> kCaptions[] = {
    {"company-42", "公司章 42 毫米"},
    {"company-40", "公司章 40 毫米"},
    {"company-38", "公司章 38 毫米"},
    {"contract-42", "合同专用章 42 毫米"},
    {"finance-round-38", "财务专用章（圆）38 毫米"},
    {"finance-square-22", "财务专用章（方）22 毫米"},
    {"invoice", "发票专用章 40×30 毫米"},
    {"oval-45x30", "椭圆章 45×30 毫米"},
    {"name-square-18", "人名章 18 毫米"},
};

int rankOf(const std::string& name) {
  for (size_t i = 0; i < std::size(kCaptions); ++i)
    if (name == kCaptions[i].first) return int(i);
  return int(std::size(kCaptions));
}

}  // namespace

QString PresetCaption(const std::string& name) {
  for (const auto& [file, caption] : kCaptions)
    if (name == file) return QString::fromUtf8(caption);
  return QString::fromStdString(name);
}

PresetChooser::PresetChooser(QWidget* parent) : QDialog(parent), m_list(new QListWidget(this)) {
  setObjectName(QStringLiteral("Dialog_NewSeal"));
  setWindowTitle(QStringLiteral("新建图章"));
  m_list->setObjectName(QStringLiteral("List_Presets"));
  m_list->setViewMode(QListView::IconMode);
  m_list->setIconSize(QSize(kPictureSide, kPictureSide));
  m_list->setGridSize(QSize(kPictureSide + 64, kPictureSide + 40));
  m_list->setResizeMode(QListView::Adjust);
  m_list->setMovement(QListView::Static);
  m_list->setWordWrap(true);
  m_list->setMinimumSize(3 * (kPictureSide + 64) + 24, 3 * (kPictureSide + 40) + 8);

  std::vector<std::string> names = ListPresets();
  std::stable_sort(names.begin(), names.end(),
                   [](const std::string& a, const std::string& b) { return rankOf(a) < rankOf(b); });
  RenderCaches caches(0);
  for (const std::string& name : names) {
    SealDocument doc = CreateSealDocument();
    if (!LoadPreset(doc, name)) continue;
    auto* item = new QListWidgetItem(PresetCaption(name), m_list);
    item->setData(Qt::UserRole, QString::fromStdString(name));
    const QImage picture = SealThumbnail(doc, kPictureSide, caches);
    if (!picture.isNull()) item->setIcon(QIcon(QPixmap::fromImage(picture)));
  }
  if (m_list->count() > 0) m_list->setCurrentRow(0);

  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("新建"), QDialogButtonBox::AcceptRole)->setObjectName(QStringLiteral("Button_Create"));
  buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(m_list, &QListWidget::itemActivated, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_list);
  layout->addWidget(buttons);
}

std::optional<std::string> PresetChooser::Chosen() const {
  if (result() != QDialog::Accepted || !m_list->currentItem()) return std::nullopt;
  return m_list->currentItem()->data(Qt::UserRole).toString().toStdString();
}

}  // namespace korvane
