#include "platform/forms.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "platform/application.h"
#include "platform/backend.h"
#include "platform/bitmap.h"
#include "platform/cp932.h"

namespace varlo {

char AcceleratorOf(std::string_view caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {  // "&&" is a plain ampersand
      ++i;
      continue;
    }
    return static_cast<char>(std::toupper(static_cast<unsigned char>(caption[i + 1])));
  }
  return 0;
}

TPoint CenteredOnScreen(int width, int height) {
  Backend& b = CurrentBackend();
  // Truncated toward zero, as the integer division of the design does.
  return {(b.SystemMetric(TSystemMetric::CxScreen) - width) / 2,
          (b.SystemMetric(TSystemMetric::CyScreen) - height) / 2};
}

// --- Controls. ---

void TLabel::SetCaption(const std::string& caption) {
  FCaption = caption;
  if (HandleAllocated()) Peer().SetText(caption, false);
  AdjustSize();
}

void TLabel::SetAutoSize(bool value) {
  FAutoSize = value;
  AdjustSize();
}

void TLabel::AdjustSize() {
  if (!FAutoSize) return;
  // The text as the label shows it: "&" marks the accelerator, "&&" is one.
  std::string shown;
  for (size_t i = 0; i < FCaption.size(); ++i) {
    if (FCaption[i] == '&' && i + 1 < FCaption.size()) ++i;
    shown += FCaption[i];
  }
  TBitmap measure;
  measure.Canvas().SetFont(Font());
  SetBounds(Left(), Top(), measure.Canvas().TextWidthUtf8(shown),
            measure.Canvas().TextMetrics().Height);
}

void TLabel::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.Kind = TWindowKind::Label;
  params.Caption = FCaption;
}

TButton::TButton(TWinControl* parent) : TWinControl(parent) { SetTabStop(true); }

void TButton::SetCaption(const std::string& caption) {
  FCaption = caption;
  if (HandleAllocated()) Peer().SetText(caption, false);
}

void TButton::SetDefault(bool value) {
  FDefault = value;
  if (HandleAllocated()) Peer().SetDefaultButton(value);
}

void TButton::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.Kind = TWindowKind::Button;
  params.Caption = FCaption;
  if (TabStop()) params.Style |= ws::TabStop;
}

void TButton::CreateWnd() { Peer().SetDefaultButton(FDefault); }

void TButton::Press() {
  if (!Enabled()) return;
  // The form a button closes with its result, as a dialog's OK does.
  TWinControl* top = this;
  while (top->Parent() != nullptr) top = top->Parent();
  Click();
  if (ModalResult != mrNone)
    if (auto* form = dynamic_cast<TForm*>(top)) form->SetModalResult(ModalResult);
}

TCheckBox::TCheckBox(TWinControl* parent) : TWinControl(parent) { SetTabStop(true); }

void TCheckBox::SetCaption(const std::string& caption) {
  FCaption = caption;
  if (HandleAllocated()) Peer().SetText(caption, false);
}

void TCheckBox::SetChecked(bool value) {
  FChecked = value;
  if (HandleAllocated()) Peer().SetChecked(value);
}

void TCheckBox::Toggle() {
  if (!Enabled()) return;
  SetChecked(!FChecked);
  Click();
}

void TCheckBox::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.Kind = TWindowKind::CheckBox;
  params.Caption = FCaption;
  if (TabStop()) params.Style |= ws::TabStop;
}

void TCheckBox::CreateWnd() { Peer().SetChecked(FChecked); }

TEdit::TEdit(TWinControl* parent) : TWinControl(parent) { SetTabStop(true); }

namespace {

// The longest start of `s` within `bytes`, whole characters only.
std::string CutToBytes(const std::string& s, int bytes) {
  if (bytes <= 0 || static_cast<int>(s.size()) <= bytes) return s;
  size_t end = 0;
  while (end < s.size()) {
    const size_t n =
        IsLeadByte932(static_cast<unsigned char>(s[end])) && end + 1 < s.size() ? 2 : 1;
    if (end + n > static_cast<size_t>(bytes)) break;
    end += n;
  }
  return s.substr(0, end);
}

}  // namespace

void TEdit::SetText(const std::string& shiftJis) {
  FText = CutToBytes(shiftJis, FMaxLength);
  if (HandleAllocated()) Peer().SetText(FText, true);
}

void TEdit::SetMaxLength(int bytes) {
  FMaxLength = std::max(0, bytes);
  SetText(FText);
}

void TEdit::SelectAll() {
  if (HandleAllocated()) Peer().SelectAll();
}

void TEdit::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.Kind = TWindowKind::Edit;
  params.Caption = FText;
  params.CaptionIsShiftJis = true;
  if (TabStop()) params.Style |= ws::TabStop;
}

void TEdit::CreateWnd() { Peer().SetText(FText, true); }

void TEdit::UserEdited(const std::string& shiftJis) {
  // The box refuses what is over its byte limit: the text stays as it was.
  const std::string cut = CutToBytes(shiftJis, FMaxLength);
  if (cut != shiftJis) {
    Peer().SetText(FText, true);
    return;
  }
  if (cut == FText) return;
  FText = cut;
  if (OnChange) OnChange(*this);
}

void TPanel::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.Kind = TWindowKind::Panel;
}

void TPageControl::SetActivePageIndex(int index) {
  if (index < 0 || index >= PageCount()) return;
  FActive = index;
  if (HandleAllocated()) Peer().SetActivePage(index);
  for (int i = 0; i < PageCount(); ++i) FPages[static_cast<size_t>(i)]->SetVisible(i == FActive);
}

void TPageControl::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.Kind = TWindowKind::PageControl;
  params.Style |= ws::TabStop;
}

void TPageControl::CreateWnd() {
  std::vector<std::string> captions;
  for (TTabSheet* page : FPages) captions.push_back(page->Caption());
  Peer().SetPages(captions);
  Peer().SetActivePage(FActive);
}

void TPageControl::PlacePages() {
  // Pages fill the notebook below its tabs.
  const TSize client = ClientSize();
  TRect area = HandleAllocated() ? Peer().PageArea() : TRect{};
  if (area.Empty()) {
    const int tabs =
        CurrentBackend().SystemMetricAt(TSystemMetric::CyCaption, PixelsPerInch()) + Scaled(4);
    const int edge = Scaled(2);
    area = {edge, tabs, client.Width - edge, client.Height - edge};
  }
  for (TTabSheet* page : FPages) page->SetBounds(area.Left, area.Top, area.Width(), area.Height());
}

void TPageControl::WMSize() {
  TWinControl::WMSize();
  PlacePages();
}

void TPageControl::UserSelectedPage(int page) {
  SetActivePageIndex(page);
  if (OnChange) OnChange(*this);
}

TTabSheet::TTabSheet(TPageControl* pages) : TWinControl(pages) {
  pages->FPages.push_back(this);
  SetVisible(pages->PageCount() - 1 == pages->ActivePageIndex());
}

void TTabSheet::SetCaption(const std::string& caption) {
  FCaption = caption;
  auto* pages = static_cast<TPageControl*>(Parent());
  if (pages != nullptr && pages->HandleAllocated()) {
    std::vector<std::string> captions;
    for (int i = 0; i < pages->PageCount(); ++i) captions.push_back(pages->Page(i).Caption());
    pages->Peer().SetPages(captions);
    pages->PlacePages();
  }
}

void TTabSheet::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.Kind = TWindowKind::Panel;
}

// --- Handlers by name. ---

THandlers& THandlers::Notify(const std::string& name, TNotifyEvent handler) {
  FNotify[name] = std::move(handler);
  return *this;
}
THandlers& THandlers::Key(const std::string& name, TKeyEvent handler) {
  FKey[name] = std::move(handler);
  return *this;
}
THandlers& THandlers::Close(const std::string& name, TCloseEvent handler) {
  FClose[name] = std::move(handler);
  return *this;
}

namespace {

template <class Map>
const typename Map::mapped_type& Named(const Map& map, const std::string& name) {
  const auto it = map.find(name);
  if (it == map.end()) throw std::logic_error("no handler " + name);
  return it->second;
}

}  // namespace

const TNotifyEvent& THandlers::NotifyNamed(const std::string& name) const {
  return Named(FNotify, name);
}
const TKeyEvent& THandlers::KeyNamed(const std::string& name) const { return Named(FKey, name); }
const TCloseEvent& THandlers::CloseNamed(const std::string& name) const {
  return Named(FClose, name);
}

std::vector<std::string> THandlers::Names() const {
  std::vector<std::string> names;
  for (const auto& [name, h] : FNotify) names.push_back(name);
  for (const auto& [name, h] : FKey) names.push_back(name);
  for (const auto& [name, h] : FClose) names.push_back(name);
  return names;
}

// --- Forms. ---

TForm::TForm() : TWinControl(nullptr) { SetVisible(false); }

TForm::~TForm() {
  if (FMenu != nullptr) FMenu->Items.OnChange = nullptr;
  // The controls go before the form's window.
  FOwned.clear();
}

TWinControl* TForm::FindControl(const std::string& name) {
  for (auto& c : FOwned)
    if (c->Name == name) return c.get();
  return nullptr;
}

void TForm::Build(const TFormDescription& form, const THandlers& handlers) {
  // The description is in pixels at 96 per inch; the form is scaled to the
  // screen's once it is built.
  ScaleForPPI(kPixelsPerInch);
  Name = form.Name;
  FCaption = form.Caption;
  FBorderStyle = form.BorderStyle;
  KeyPreview = form.KeyPreview;
  TFont font = Font();
  font.Name = form.FontName;
  if (form.FontSize > 0) font.SetSize(form.FontSize);
  SetFont(font);
  if (!form.OnKeyDown.empty()) OnKeyDown = handlers.KeyNamed(form.OnKeyDown);
  if (!form.OnClick.empty()) OnClick = handlers.NotifyNamed(form.OnClick);
  if (!form.OnClose.empty()) OnClose = handlers.CloseNamed(form.OnClose);
  SetClientSize(form.ClientWidth, form.ClientHeight);

  std::map<TWinControl*, int> order;
  for (const TControlDescription& c : form.Controls) {
    TWinControl* parent = this;
    if (!c.Parent.empty()) {
      parent = FindControl(c.Parent);
      if (parent == nullptr) throw std::logic_error("no parent " + c.Parent);
    }
    std::unique_ptr<TWinControl> control;
    switch (c.Kind) {
      case TControlKind::Label: {
        auto l = std::make_unique<TLabel>(parent);
        l->SetCaption(c.Caption);
        control = std::move(l);
        break;
      }
      case TControlKind::Button: {
        auto b = std::make_unique<TButton>(parent);
        b->SetCaption(c.Caption);
        b->SetDefault(c.Default);
        b->Cancel = c.Cancel;
        b->ModalResult = c.ModalResult;
        control = std::move(b);
        break;
      }
      case TControlKind::Edit: {
        auto e = std::make_unique<TEdit>(parent);
        e->SetMaxLength(c.MaxLength);
        control = std::move(e);
        break;
      }
      case TControlKind::CheckBox: {
        auto b = std::make_unique<TCheckBox>(parent);
        b->SetCaption(c.Caption);
        control = std::move(b);
        break;
      }
      case TControlKind::Panel: control = std::make_unique<TPanel>(parent); break;
      case TControlKind::PageControl: control = std::make_unique<TPageControl>(parent); break;
      case TControlKind::TabSheet: {
        auto* pages = dynamic_cast<TPageControl*>(parent);
        if (pages == nullptr) throw std::logic_error("page outside a notebook: " + c.Name);
        auto t = std::make_unique<TTabSheet>(pages);
        t->SetCaption(c.Caption);
        control = std::move(t);
        break;
      }
    }
    control->Name = c.Name;
    control->TabOrder = order[parent]++;
    if (c.Kind != TControlKind::TabSheet) control->SetBounds(c.Left, c.Top, c.Width, c.Height);
    if (auto* l = dynamic_cast<TLabel*>(control.get())) l->SetAutoSize(c.AutoSize);
    if (!c.TabStop) control->SetTabStop(false);
    if (!c.OnClick.empty()) control->OnClick = handlers.NotifyNamed(c.OnClick);
    if (!c.OnKeyDown.empty()) control->OnKeyDown = handlers.KeyNamed(c.OnKeyDown);
    FOwned.push_back(std::move(control));
  }
  // A handler bound under a name the description never uses is a typo on
  // one side or the other.
  for (const std::string& name : handlers.Names()) {
    const auto named = [&](const std::string& n) { return n == name; };
    const bool used =
        named(form.OnKeyDown) || named(form.OnClick) || named(form.OnClose) ||
        std::any_of(form.Controls.begin(), form.Controls.end(), [&](const TControlDescription& c) {
          return named(c.OnClick) || named(c.OnKeyDown);
        });
    if (!used) throw std::logic_error("handler " + name + " is not in form " + form.Name);
  }
  for (const TControlDescription& c : form.Controls) {
    if (c.FocusControl.empty()) continue;
    auto* label = dynamic_cast<TLabel*>(FindControl(c.Name));
    TWinControl* target = FindControl(c.FocusControl);
    if (label == nullptr || target == nullptr) throw std::logic_error("focus control of " + c.Name);
    label->FocusControl = target;
  }
  ScaleForPPI(CurrentBackend().ScreenPixelsPerInch());
}

void TForm::SetCaption(const std::string& caption) {
  FCaption = caption;
  if (HandleAllocated()) Peer().SetText(caption, false);
}

void TForm::SetBorderStyle(TBorderStyle style) {
  FBorderStyle = style;
  RecreateWnd();
}

void TForm::SetClientSize(int width, int height) {
  const TSize frame = FrameSize(PixelsPerInch());
  SetBounds(Left(), Top(), width + frame.Width, height + frame.Height);
}

TSize TForm::FrameSize(int ppi) {
  const TCreateParams params = ControlEvents::Params(*this);
  return CurrentBackend().FrameSize(params.Style, params.ExStyle, FMenu != nullptr, ppi);
}

TRect TForm::ScaledBounds(int ppi) {
  // The client area keeps its size in inches; the frame is what the
  // platform draws at that resolution.
  const int from = PixelsPerInch();
  const TSize frame = FrameSize(from), to = FrameSize(ppi);
  const TSize client =
      HandleAllocated() ? ClientSize() : TSize{Width() - frame.Width, Height() - frame.Height};
  // A window not yet open is placed in the new pixels too; an open one
  // stays where it is.
  const int left = HandleAllocated() ? Left() : MulDivRounded(Left(), ppi, from);
  const int top = HandleAllocated() ? Top() : MulDivRounded(Top(), ppi, from);
  return {left, top, left + MulDivRounded(client.Width, ppi, from) + to.Width,
          top + MulDivRounded(client.Height, ppi, from) + to.Height};
}

TWindowState TForm::WindowState() const {
  return HandleAllocated() ? static_cast<TWindowState>(Peer().WindowState()) : wsNormal;
}

void TForm::SetWindowState(TWindowState state) {
  HandleNeeded();
  Peer().SetWindowState(state);
}

void TForm::SetMenu(TMainMenu* menu) {
  if (FMenu != nullptr) FMenu->Items.OnChange = nullptr;
  FMenu = menu;
  if (FMenu != nullptr)
    FMenu->Items.OnChange = [this] {
      if (HandleAllocated()) Peer().MenuChanged();
    };
  if (HandleAllocated()) Peer().MenuChanged();
}

namespace {

// The first control in the tab order that can take the focus: children by
// their tab order, each before the controls inside it, hidden and disabled
// ones (and what they hold) skipped.
TWinControl* FirstTabStop(const TWinControl& parent) {
  std::vector<TWinControl*> children = parent.Controls();
  std::stable_sort(
      children.begin(), children.end(),
      [](const TWinControl* a, const TWinControl* b) { return a->TabOrder < b->TabOrder; });
  for (TWinControl* c : children) {
    if (!c->Visible() || !c->Enabled()) continue;
    if (c->TabStop()) return c;
    if (TWinControl* inner = FirstTabStop(*c)) return inner;
  }
  return nullptr;
}

// Gives a control the focus as a dialog does: an edit box has its whole
// text selected, so that what is typed replaces it.
void DialogFocus(TWinControl& control) {
  control.SetFocus();
  if (auto* edit = dynamic_cast<TEdit*>(&control)) edit->SelectAll();
}

}  // namespace

void TForm::Show() {
  HandleNeeded();
  FClosed = false;
  SetVisible(true);
  // As in a dialog, a form opens with a control focused, so that its keys
  // work at once: the one it names, else the first tab stop.
  if (TWinControl* focus = ActiveControl != nullptr ? ActiveControl : FirstTabStop(*this))
    DialogFocus(*focus);
}

void TForm::Hide() { SetVisible(false); }

void TForm::Close() {
  if (FClosed) return;
  TCloseAction action = caHide;
  if (OnClose) OnClose(*this, action);
  if (action == caNone) return;
  FClosed = true;
  if (FModal) {
    if (FModalResult == mrNone) FModalResult = mrCancel;
    return;  // the modal loop ends and hides the form
  }
  Hide();
  if (Application().MainForm() == this) Application().Terminate();
}

TModalResult TForm::ShowModal() {
  FModal = true;
  FModalResult = mrNone;
  FClosed = false;
  HandleNeeded();
  CurrentBackend().RunModal(*this);
  FModal = false;
  if (FModalResult == mrNone) FModalResult = mrCancel;
  return FModalResult;
}

void TForm::SetModalResult(TModalResult result) {
  FModalResult = result;
  // A result closes a modal form, through OnClose like any other way.
  if (FModal && result != mrNone && !FClosed) {
    TCloseAction action = caHide;
    if (OnClose) OnClose(*this, action);
    if (action == caNone) {
      FModalResult = mrNone;
      return;
    }
    FClosed = true;
  }
}

void TForm::Destroy() {
  if (FDestroyed) return;
  FDestroyed = true;
  if (OnDestroy) OnDestroy(*this);
}

void TForm::AcceptFiles(bool accept) {
  HandleNeeded();
  Peer().AcceptFiles(accept);
}

void TForm::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.Kind = TWindowKind::Form;
  params.Caption = FCaption;
  switch (FBorderStyle) {
    case bsSizeable: params.Style = ws::OverlappedWindow | ws::ClipChildren; break;
    case bsDialog:
      params.Style = ws::Popup | ws::Caption | ws::SysMenu | ws::ClipChildren;
      params.ExStyle |= ws::ExDlgModalFrame;
      break;
    case bsSingle:
      params.Style = ws::Caption | ws::SysMenu | ws::MinimizeBox | ws::ClipChildren;
      break;
    case bsNone: params.Style = ws::Popup | ws::ClipChildren; break;
  }
  if (Visible()) params.Style |= ws::Visible;
}

void TForm::CreateWnd() {
  for (auto& c : FOwned) c->HandleNeeded();
  if (FMenu != nullptr) Peer().MenuChanged();
}

void TForm::Collect(TWinControl& from, std::vector<TWinControl*>& into) {
  for (TWinControl* c : from.Controls()) {
    into.push_back(c);
    Collect(*c, into);
  }
}

namespace {

// Visible and usable with everything around it: a control on a page not
// shown takes no key.
bool Usable(const TWinControl& c) {
  for (const TWinControl* at = &c; at->Parent() != nullptr; at = at->Parent())
    if (!at->Visible() || !at->Enabled()) return false;
  return true;
}

bool FocusedIsButton(const std::vector<TWinControl*>& all) {
  for (TWinControl* c : all)
    if (c->Focused() && dynamic_cast<TButton*>(c) != nullptr) return true;
  return false;
}

}  // namespace

bool TForm::FormKey(uint16_t key, TShiftState shift) {
  if (FMenu != nullptr)
    if (TMenuItem* item = FMenu->Items.FindShortCut(key, shift)) {
      item->Click();
      return true;
    }
  const TShiftState mods = shift & kModifierMask;
  if ((key == vk::Return || key == vk::Escape) && mods == 0) {
    std::vector<TWinControl*> all;
    Collect(*this, all);
    for (TWinControl* c : all) {
      auto* b = dynamic_cast<TButton*>(c);
      if (b == nullptr || !Usable(*b)) continue;
      // Enter presses the focused button, else the default one.
      if (key == vk::Return && (b->Focused() || (b->Default() && !FocusedIsButton(all)))) {
        b->Press();
        return true;
      }
      if (key == vk::Escape && b->Cancel) {
        b->Press();
        return true;
      }
    }
  }
  return false;
}

bool TForm::Accelerator(char letter) {
  std::vector<TWinControl*> all;
  Collect(*this, all);
  const char wanted = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  for (TWinControl* c : all) {
    if (!Usable(*c)) continue;
    if (auto* l = dynamic_cast<TLabel*>(c); l && AcceleratorOf(l->Caption()) == wanted) {
      if (l->FocusControl != nullptr) DialogFocus(*l->FocusControl);
      return true;
    }
    if (auto* b = dynamic_cast<TButton*>(c); b && AcceleratorOf(b->Caption()) == wanted) {
      b->SetFocus();
      b->Press();
      return true;
    }
    if (auto* k = dynamic_cast<TCheckBox*>(c); k && AcceleratorOf(k->Caption()) == wanted) {
      k->SetFocus();
      k->Toggle();
      return true;
    }
  }
  return false;
}

void TForm::WMDropFiles(const std::vector<std::string>& names) {
  if (OnDropFiles) OnDropFiles(*this, names);
}

// --- Entry points. ---

void FormEvents::CloseRequested(TForm& form) {
  ControlEvents::Run([&] { form.Close(); });
}

bool FormEvents::Key(TForm& form, uint16_t key, TShiftState shift) {
  bool taken = false;
  ControlEvents::Run([&] { taken = form.FormKey(key, shift); });
  return taken;
}

bool FormEvents::Accelerator(TForm& form, char letter) {
  bool taken = false;
  ControlEvents::Run([&] { taken = form.Accelerator(letter); });
  return taken;
}

void FormEvents::SessionEnding(TForm& form) {
  if (Application().MainForm() != &form) return;
  // No box may hold the shutdown up: an error here cannot be shown anyway.
  try {
    form.Destroy();
  } catch (const std::exception&) {
  }
}

void FormEvents::DropFiles(TForm& form, const std::vector<std::string>& names) {
  ControlEvents::Run([&] {
    TAppMessage message{TAppMessage::DropFiles, &form, names};
    bool handled = false;
    if (Application().OnMessage) Application().OnMessage(message, handled);
    if (!handled) form.WMDropFiles(names);
  });
}

}  // namespace varlo
