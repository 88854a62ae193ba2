#include "notify/Delivery.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace mapistandin::delivery {

namespace {

constexpr UINT kDeliverMessage = WM_APP + 0x4D4E;  // lParam: a queued Item
constexpr char kWindowClass[] = "MapiStandinNotifyWindow";

struct Connection {
  Ref<IMAPIAdviseSink> sink;
  HWND window = nullptr;  // null: the notification thread delivers
};

struct Item {
  ULONG connection = 0;
  NotificationBlock batch;
};

std::mutex g_lock;
std::map<ULONG, Connection>& Table() {
  static auto* table = new std::map<ULONG, Connection>;
  return *table;
}
ULONG g_next = 1;
bool g_multithreaded = false;

// Calls the sink of a live connection, outside the lock.
void Deliver(Item& item) {
  Ref<IMAPIAdviseSink> sink;
  {
    std::lock_guard guard(g_lock);
    auto it = Table().find(item.connection);
    if (it == Table().end()) return;
    sink = it->second.sink;
  }
  sink->OnNotify(item.batch.count(), item.batch.get());
}

// --- the advising thread's hidden window ---

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kDeliverMessage) {
    std::unique_ptr<Item> item(reinterpret_cast<Item*>(lp));
    Deliver(*item);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND ThreadWindow() {
  static std::once_flag registered;
  std::call_once(registered, [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleA("mapi32.dll");
    wc.lpszClassName = kWindowClass;
    RegisterClassA(&wc);
  });
  thread_local HWND window = nullptr;
  if (!window || !IsWindow(window)) {
    window = CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             GetModuleHandleA("mapi32.dll"), nullptr);
  }
  return window;
}

// --- the notification thread ---

struct Worker {
  std::mutex lock;
  std::condition_variable wake;
  std::deque<std::unique_ptr<Item>> queue;
  bool stop = false;
  std::unique_ptr<std::thread> thread;
};

// Never destroyed: a joinable thread must not meet its destructor at process exit.
Worker& TheWorker() {
  static auto* worker = new Worker;
  return *worker;
}

void WorkerLoop() {
  Worker& w = TheWorker();
  for (;;) {
    std::unique_ptr<Item> item;
    {
      std::unique_lock guard(w.lock);
      w.wake.wait(guard, [&] { return w.stop || !w.queue.empty(); });
      if (w.queue.empty()) return;  // stopping, nothing left
      item = std::move(w.queue.front());
      w.queue.pop_front();
    }
    Deliver(*item);
  }
}

void Enqueue(std::unique_ptr<Item> item) {
  Worker& w = TheWorker();
  std::lock_guard guard(w.lock);
  if (!w.thread) {
    w.stop = false;
    w.thread = std::make_unique<std::thread>(WorkerLoop);
  }
  w.queue.push_back(std::move(item));
  w.wake.notify_one();
}

}  // namespace

ULONG Subscribe(IMAPIAdviseSink* sink) {
  Connection c;
  c.sink = Ref<IMAPIAdviseSink>(sink);
  std::lock_guard guard(g_lock);
  if (!g_multithreaded) {
    c.window = ThreadWindow();
    if (!c.window) return 0;
  }
  const ULONG id = g_next++;
  Table().emplace(id, std::move(c));
  return id;
}

bool Unsubscribe(ULONG connection) {
  Ref<IMAPIAdviseSink> dropped;  // released after the lock
  std::lock_guard guard(g_lock);
  auto it = Table().find(connection);
  if (it == Table().end()) return false;
  dropped = std::move(it->second.sink);
  Table().erase(it);
  return true;
}

void Post(ULONG connection, NotificationBlock batch) {
  if (batch.empty()) return;
  auto item = std::make_unique<Item>(Item{connection, std::move(batch)});
  HWND window = nullptr;
  {
    std::lock_guard guard(g_lock);
    auto it = Table().find(connection);
    if (it == Table().end()) return;
    window = it->second.window;
  }
  if (!window) {
    Enqueue(std::move(item));
    return;
  }
  // The window's thread takes the item over; a thread that has ended takes nothing.
  if (PostMessageA(window, kDeliverMessage, 0, reinterpret_cast<LPARAM>(item.get()))) {
    item.release();
  }
}

void SetMultithreaded(bool on) {
  std::lock_guard guard(g_lock);
  g_multithreaded = on;
}

void StopThread() {
  Worker& w = TheWorker();
  std::unique_ptr<std::thread> thread;
  {
    std::lock_guard guard(w.lock);
    w.stop = true;
    thread = std::move(w.thread);
    w.wake.notify_all();
  }
  if (!thread) return;
  if (thread->get_id() == std::this_thread::get_id()) {
    thread->detach();  // a sink ended MAPI from inside OnNotify: the loop ends by itself
  } else {
    thread->join();
  }
}

ULONG Connections() {
  std::lock_guard guard(g_lock);
  return static_cast<ULONG>(Table().size());
}

}  // namespace mapistandin::delivery
