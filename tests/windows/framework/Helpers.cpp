#include "Helpers.h"

#include <algorithm>
#include <commdlg.h>
#include <gtest/gtest.h>

#include <map>

#include "framework/StdCtrls.h"

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return done();
    Application->ProcessMessages();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

void EnsureApplication() {
  Application->Initialize();
  if (Application->Title().empty()) Application->SetTitle(L"Equidiv");
}

FreeWatch::FreeWatch(TComponent* watched) : TComponent(nullptr), watched_(watched) { watched->FreeNotification(this); }

void FreeWatch::Notification(TComponent* component, TOperation operation) {
  if (component == watched_ && operation == TOperation::opRemove) freed_ = true;
  TComponent::Notification(component, operation);
}

// Told when the control is freed; the log then forgets it.
// Records in front of the control's procedure through the framework's handler chain,
// which also tells it when the control goes.
class MessageLog::Recorder : public TControlHandler {
public:
  explicit Recorder(MessageLog& log) : log_(log) {}

protected:
  void HandleMessage(TMessage& message) override {
    log_.Record(message);
    CallPrevious(message);
  }
  void ControlDestroyed() override { log_.control_ = nullptr; }

private:
  MessageLog& log_;
};

MessageLog::MessageLog(TControl& control, std::vector<UINT> watched)
    : control_(&control), own_(std::make_unique<MessageSequence>(std::move(watched))), into_(own_.get()) {
  Install();
}

MessageLog::MessageLog(TControl& control, MessageSequence& into, std::string who)
    : control_(&control), into_(&into), who_(std::move(who)) {
  Install();
}

void MessageLog::Install() {
  recorder_ = std::make_unique<Recorder>(*this);
  recorder_->Install(*control_);
}

MessageLog::~MessageLog() = default;

void MessageLog::Record(const TMessage& message) {
  auto* windowed = dynamic_cast<TWinControl*>(control_);
  HWND window = windowed && windowed->HandleAllocated() ? windowed->Handle() : nullptr;
  into_->Add(window, message.Msg, message.WParam, message.LParam, who_);
}

int MessageLog::Count(UINT msg) const {
  return static_cast<int>(std::count_if(Entries().begin(), Entries().end(),
                                        [&](const Entry& e) { return e.msg == msg && e.who == who_; }));
}

std::wstring WindowClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 255);
  return name;
}

std::wstring WindowTextOf(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), length + 1)));
  return text;
}

namespace {
std::map<UINT_PTR, ModalAnswerer*>& Answerers() {
  static std::map<UINT_PTR, ModalAnswerer*> answerers;
  return answerers;
}
}  // namespace

ModalAnswerer::ModalAnswerer(std::wstring className, std::wstring button)
    : className_(std::move(className)), button_(std::move(button)) {
  timer_ = SetTimer(nullptr, 0, 30, Tick);
  Answerers()[timer_] = this;
}

ModalAnswerer::~ModalAnswerer() {
  KillTimer(nullptr, timer_);
  Answerers().erase(timer_);
}

void CALLBACK ModalAnswerer::Tick(HWND, UINT, UINT_PTR id, DWORD) {
  auto it = Answerers().find(id);
  if (it != Answerers().end()) it->second->Check();
}

void ModalAnswerer::Check() {
  struct Found {
    const std::wstring* className;
    std::vector<HWND> windows, strays;
  } found{&className_, {}, {}};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM data) -> BOOL {
        auto* f = reinterpret_cast<Found*>(data);
        if (!IsWindowVisible(w)) return TRUE;
        const std::wstring cls = WindowClassOf(w);
        if (cls == *f->className) f->windows.push_back(w);
        else if (cls == L"#32770" || cls == L"TMessageForm") f->strays.push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  // Another answerer has a few seconds for boxes of its class; after that nobody will.
  constexpr ULONGLONG kStrayMs = 5000;
  const ULONGLONG now = GetTickCount64();
  std::map<HWND, ULONGLONG> stillThere;  // windows gone are forgotten, so a reused handle starts afresh
  for (HWND stray : found.strays) {
    const auto known = strayFirstSeen_.find(stray);
    ULONGLONG firstSeen = known != strayFirstSeen_.end() ? known->second : now;
    if (now - firstSeen >= kStrayMs) {
      ADD_FAILURE() << "unanswered " << StringToUtf8(WindowClassOf(stray)) << " \""
                    << StringToUtf8(WindowTextOf(stray)) << "\" closed by the answerer of "
                    << StringToUtf8(className_);
      PostMessageW(stray, WM_CLOSE, 0, 0);
      firstSeen = now;  // once more only if closing did not take
    }
    stillThere[stray] = firstSeen;
  }
  strayFirstSeen_.swap(stillThere);
  for (HWND window : found.windows) {
    if (std::find(handled_.begin(), handled_.end(), window) != handled_.end()) continue;
    if (ready_ && !ready_(window)) continue;
    handled_.push_back(window);
    Seen seen;
    seen.caption = WindowTextOf(window);
    HWND pressed = nullptr;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      const std::wstring cls = WindowClassOf(child);
      const std::wstring text = WindowTextOf(child);
      if (cls == L"Static" || cls == L"STATIC") {
        if (GetWindowLongPtrW(child, GWL_STYLE) & SS_ICON) seen.hasIcon = true;
        else if (!text.empty()) seen.texts.push_back(text);
      }
      if (!button_.empty() && text == button_ && IsWindowVisible(child)) pressed = child;
    }
    // Framework forms keep their texts in non-windowed labels.
    if (TCustomForm* form = Screen->FormOfWindow(window)) {
      for (int i = 0; i < form->ControlCount(); ++i)
        if (auto* label = dynamic_cast<TCustomLabel*>(form->Controls(i))) seen.texts.push_back(label->Caption());
    }
    answered_.push_back(seen);
    if (!fileName_.empty()) {
      // The file name box of the platform's file dialogs (edit or combo box).
      for (int id : {0x480, 0x47c}) SendMessageW(window, CDM_SETCONTROLTEXT, id, reinterpret_cast<LPARAM>(fileName_.c_str()));
    }
    if (pressed)
      PostMessageW(pressed, BM_CLICK, 0, 0);
    else
      PostMessageW(window, WM_COMMAND, IDOK, 0);
  }
}

TempFolder::TempFolder() {
  wchar_t base[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, base);
  static int counter = 0;
  path_ = std::wstring(base) + L"equidiv-fw-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
  CreateDirectoryW(path_.c_str(), nullptr);
}

namespace {
// Removes `path` with everything below it.
void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(path + L"\\" + name);
      else
        DeleteFileW((path + L"\\" + name).c_str());
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(path.c_str());
}
}  // namespace

// Folders the test made below it go too.
TempFolder::~TempFolder() { RemoveTree(path_); }

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  if (h != INVALID_HANDLE_VALUE) {
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
  }
}

std::string ReadFileBytes(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  std::string out;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(h, buffer, sizeof(buffer), &got, nullptr) && got > 0) out.append(buffer, got);
  CloseHandle(h);
  return out;
}

