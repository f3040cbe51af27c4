// znmsaa: the event ring, the role table and the description of the current object.
#include "automation/znmsaa.h"

#include <utility>

#include "console/ZnCrt.h"
#include "platform/text.h"

namespace autom {
namespace {

struct RoleEntry {
  const char* atspi;  // the bus's role name
  int32_t number;     // the Active Accessibility role it stands for
};

// Active Accessibility role numbers.
enum : int32_t {
  kTitleBar = 0x01, kMenuBar = 0x02, kScrollBar = 0x03, kSound = 0x05, kAlert = 0x08,
  kWindow = 0x09, kClient = 0x0A, kMenuPopup = 0x0B, kMenuItem = 0x0C, kToolTip = 0x0D,
  kApplication = 0x0E, kDocument = 0x0F, kPane = 0x10, kChart = 0x11, kDialog = 0x12,
  kGrouping = 0x14, kSeparator = 0x15, kToolBar = 0x16, kStatusBar = 0x17, kTable = 0x18,
  kColumnHeader = 0x19, kRowHeader = 0x1A, kRow = 0x1C, kCell = 0x1D, kLink = 0x1E,
  kList = 0x21, kListItem = 0x22, kOutline = 0x23, kOutlineItem = 0x24, kPageTab = 0x25,
  kPropertyPage = 0x26, kGraphic = 0x28, kStaticText = 0x29, kText = 0x2A,
  kPushButton = 0x2B, kCheckButton = 0x2C, kRadioButton = 0x2D, kComboBox = 0x2E,
  kProgressBar = 0x30, kDial = 0x31, kSlider = 0x33, kSpinButton = 0x34,
  kAnimation = 0x36, kEquation = 0x37, kButtonMenu = 0x39, kPageTabList = 0x3C,
  kClock = 0x3D,
};

// Every role the bus names, so that scripts written for the Windows numbers keep working.
constexpr RoleEntry kRoles[] = {
    {"invalid", 0}, {"unknown", 0},
    {"accelerator label", kStaticText}, {"alert", kAlert}, {"animation", kAnimation},
    {"arrow", kGraphic}, {"calendar", kClient}, {"canvas", kClient},
    {"check box", kCheckButton}, {"check menu item", kMenuItem}, {"color chooser", kDialog},
    {"column header", kColumnHeader}, {"combo box", kComboBox}, {"date editor", kClient},
    {"desktop icon", kListItem}, {"desktop frame", kWindow}, {"dial", kDial},
    {"dialog", kDialog}, {"directory pane", kPane}, {"drawing area", kClient},
    {"file chooser", kDialog}, {"filler", kGrouping}, {"focus traversable", kClient},
    {"font chooser", kDialog}, {"frame", kWindow}, {"glass pane", kPane},
    {"html container", kDocument}, {"icon", kGraphic}, {"image", kGraphic},
    {"internal frame", kWindow}, {"label", kStaticText}, {"layered pane", kPane},
    {"list", kList}, {"list item", kListItem}, {"menu", kMenuItem}, {"menu bar", kMenuBar},
    {"menu item", kMenuItem}, {"option pane", kDialog}, {"page tab", kPageTab},
    {"page tab list", kPageTabList}, {"panel", kGrouping}, {"password text", kText},
    {"popup menu", kMenuPopup}, {"progress bar", kProgressBar}, {"push button", kPushButton},
    {"radio button", kRadioButton}, {"radio menu item", kMenuItem}, {"root pane", kPane},
    {"row header", kRowHeader}, {"scroll bar", kScrollBar}, {"scroll pane", kPane},
    {"separator", kSeparator}, {"slider", kSlider}, {"spin button", kSpinButton},
    {"split pane", kPane}, {"status bar", kStatusBar}, {"table", kTable},
    {"table cell", kCell}, {"table column header", kColumnHeader},
    {"table row header", kRowHeader}, {"tearoff menu item", kMenuItem}, {"terminal", kText},
    {"text", kText}, {"toggle button", kPushButton}, {"tool bar", kToolBar},
    {"tool tip", kToolTip}, {"tree", kOutline}, {"tree table", kOutline},
    {"viewport", kPane}, {"window", kWindow}, {"extended", kClient}, {"header", kGrouping},
    {"footer", kGrouping}, {"paragraph", kStaticText}, {"ruler", kClient},
    {"application", kApplication}, {"autocomplete", kComboBox}, {"editbar", kText},
    {"embedded", kClient}, {"entry", kText}, {"chart", kChart}, {"caption", kStaticText},
    {"document frame", kDocument}, {"heading", kStaticText}, {"page", kPropertyPage},
    {"section", kGrouping}, {"redundant object", kClient}, {"form", kGrouping},
    {"link", kLink}, {"input method window", kWindow}, {"table row", kRow},
    {"tree item", kOutlineItem}, {"document spreadsheet", kDocument},
    {"document presentation", kDocument}, {"document text", kDocument},
    {"document web", kDocument}, {"document email", kDocument}, {"comment", kGrouping},
    {"list box", kList}, {"grouping", kGrouping}, {"image map", kGraphic},
    {"notification", kAlert}, {"info bar", kStatusBar}, {"level bar", kProgressBar},
    {"title bar", kTitleBar}, {"block quote", kGrouping}, {"audio", kSound},
    {"video", kAnimation}, {"definition", kStaticText}, {"article", kDocument},
    {"landmark", kGrouping}, {"log", kGrouping}, {"marquee", kAnimation},
    {"math", kEquation}, {"rating", kSlider}, {"timer", kClock}, {"static", kStaticText},
    {"math fraction", kEquation}, {"math root", kEquation}, {"subscript", kStaticText},
    {"superscript", kStaticText}, {"description list", kList},
    {"description term", kListItem}, {"description value", kStaticText},
    {"footnote", kStaticText}, {"content deletion", kStaticText},
    {"content insertion", kStaticText}, {"mark", kStaticText}, {"suggestion", kStaticText},
    {"push button menu", kButtonMenu},
};

// Windows-1252, cut at cap characters.
std::string code_page_text(const std::optional<std::string>& utf8, size_t cap) {
  if (!utf8) return {};
  std::string t = plat::utf8_to_cp1252(*utf8);
  if (t.size() > cap) t.resize(cap);
  return t;
}

void queue_event(Msaa& m, plat::AccessEvent kind, plat::AccessibleHandle object) {
  if (!object) return;
  if (m.last_queued && m.last_queued.get() == object.get()) return;
  m.last_queued = object;
  m.ring.push({kind == plat::AccessEvent::focus ? kFocusEvent : kForegroundEvent, std::move(object)});
}

plat::AccessibilitySource& source_of(Msaa& m) {
  if (!m.source) m.source = plat::make_atspi_source();
  return *m.source;
}

void unhook(Msaa& m) {
  if (m.hooked) m.hooked->set_wait_hook(nullptr);
  m.hooked = nullptr;
}

}  // namespace

void EventRing::push(QueuedEvent e) {
  const int write = (read_ + count_) % kEventRingSize;
  slots_[static_cast<size_t>(write)] = std::move(e);
  if (count_ < kEventRingSize) ++count_;
  else read_ = (read_ + 1) % kEventRingSize;  // the oldest is gone
}

bool EventRing::pop(QueuedEvent& out) {
  if (count_ == 0) return false;
  out = std::move(slots_[static_cast<size_t>(read_)]);
  slots_[static_cast<size_t>(read_)] = {};
  read_ = (read_ + 1) % kEventRingSize;
  --count_;
  return true;
}

void EventRing::clear() {
  for (auto& s : slots_) s = {};
  read_ = count_ = 0;
}

int32_t role_number(std::string_view atspi_role) {
  for (const RoleEntry& e : kRoles)
    if (atspi_role == e.atspi) return e.number;
  // A role newer than this table: still an object with a state and a value.
  return atspi_role.empty() ? 0 : kClient;
}

std::string state_text(bool checked, bool unavailable) {
  if (unavailable) return "indispon\xEDvel";
  if (checked) return "marcado";
  return {};
}

Description describe_facts(const plat::AccessibleFacts& f) {
  Description d;
  if (f.extents) {
    d.left = f.extents->x;
    d.top = f.extents->y;
    d.width = f.extents->width;
    d.height = f.extents->height;
  }
  d.name = code_page_text(f.name, kMaxAccessibleText);
  d.role = role_number(f.role);
  if (d.role == 0) return d;
  d.role_text = code_page_text(f.role_text && !f.role_text->empty() ? f.role_text : std::optional<std::string>(f.role),
                               kMaxRoleText);
  if (f.states_known) d.state = state_text(f.checked, f.unavailable);
  d.value = code_page_text(f.value, kMaxAccessibleText);
  return d;
}

Msaa::~Msaa() {
  unhook(*this);
  current.reset();
  last_queued.reset();
  ring.clear();
  if (source) source->stop_listening();
}

void start_monitoring(Msaa& m, zn::Console* console) {
  plat::AccessibilitySource& src = source_of(m);
  if (m.monitoring) return;
  m.monitoring = src.listen([&m](plat::AccessEvent kind, plat::AccessibleHandle object) {
    queue_event(m, kind, std::move(object));
  });
  if (m.monitoring && console) {
    m.hooked = console;
    console->set_wait_hook([&m] { pump(m); });
  }
}

void stop_monitoring(Msaa& m) {
  m.current.reset();
  unhook(m);
  if (m.source && m.monitoring) m.source->stop_listening();
  m.monitoring = false;
}

void pump(Msaa& m) {
  if (m.source) m.source->pump();
}

bool take_event(Msaa& m) {
  pump(m);
  QueuedEvent e;
  if (!m.ring.pop(e)) return false;
  if (!m.source || !m.source->alive(e.object)) {
    m.current.reset();
    return false;
  }
  m.current = std::move(e.object);
  m.description = describe_facts(m.source->describe(m.current, kMaxAccessibleText * 4));
  pump(m);
  return true;
}

void capture_at(Msaa& m, int32_t x, int32_t y) {
  plat::AccessibilitySource& src = source_of(m);
  m.current = src.object_at(x, y);
  m.description = m.current ? describe_facts(src.describe(m.current, kMaxAccessibleText * 4)) : Description{};
}

}  // namespace autom
