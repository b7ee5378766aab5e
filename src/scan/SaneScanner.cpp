#include "scan/SaneScanner.h"

#include <sane/sane.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "scan/FrameAssembler.h"

namespace tessaro {

namespace {
constexpr auto kReaderSettles = std::chrono::milliseconds(5);

// SANE runs while any scanner object that used it lives: started by the first one, ended with the
// last one (the window keeps one for its whole life, so once per run). Ending it among the exit
// handlers instead would unload the backends while other libraries are already shutting down.
std::mutex libraryMutex;
int libraryUsers = 0;

bool startSane() {
  std::lock_guard lock(libraryMutex);
  if (libraryUsers == 0 && sane_init(nullptr, nullptr) != SANE_STATUS_GOOD) return false;
  ++libraryUsers;
  return true;
}

void endSane() {
  std::lock_guard lock(libraryMutex);
  if (--libraryUsers == 0) sane_exit();
}

ScanFault faultOf(SANE_Status s) {
  switch (s) {
    case SANE_STATUS_GOOD:
    case SANE_STATUS_EOF:
      return ScanFault::None;
    case SANE_STATUS_CANCELLED:
      return ScanFault::Cancelled;
    case SANE_STATUS_DEVICE_BUSY:
      return ScanFault::Busy;
    case SANE_STATUS_JAMMED:
      return ScanFault::Jammed;
    case SANE_STATUS_NO_DOCS:
      return ScanFault::NoDocs;
    case SANE_STATUS_COVER_OPEN:
      return ScanFault::CoverOpen;
    case SANE_STATUS_IO_ERROR:
      return ScanFault::Io;
    case SANE_STATUS_NO_MEM:
      return ScanFault::NoMemory;
    case SANE_STATUS_ACCESS_DENIED:
      return ScanFault::AccessDenied;
    case SANE_STATUS_UNSUPPORTED:
      return ScanFault::Unsupported;
    case SANE_STATUS_INVAL:
      return ScanFault::Invalid;
  }
  return ScanFault::Io;
}

bool failed(SANE_Status s, ScanError& why, const std::string& detail = "") {
  if (s == SANE_STATUS_GOOD) return false;
  why = ScanError{faultOf(s), detail};
  return true;
}

std::string text(SANE_String_Const s) { return s ? s : ""; }

OptionKind kindOf(SANE_Value_Type t) {
  switch (t) {
    case SANE_TYPE_BOOL:
      return OptionKind::Bool;
    case SANE_TYPE_INT:
      return OptionKind::Int;
    case SANE_TYPE_FIXED:
      return OptionKind::Fixed;
    case SANE_TYPE_STRING:
      return OptionKind::String;
    case SANE_TYPE_BUTTON:
      return OptionKind::Button;
    case SANE_TYPE_GROUP:
      return OptionKind::Group;
  }
  return OptionKind::Group;
}

OptionUnit unitOf(SANE_Unit u) {
  switch (u) {
    case SANE_UNIT_NONE:
      return OptionUnit::None;
    case SANE_UNIT_PIXEL:
      return OptionUnit::Pixel;
    case SANE_UNIT_BIT:
      return OptionUnit::Bit;
    case SANE_UNIT_MM:
      return OptionUnit::Mm;
    case SANE_UNIT_DPI:
      return OptionUnit::Dpi;
    case SANE_UNIT_PERCENT:
      return OptionUnit::Percent;
    case SANE_UNIT_MICROSECOND:
      return OptionUnit::Microsecond;
  }
  return OptionUnit::None;
}

double wordValue(const SANE_Option_Descriptor& d, SANE_Word w) {
  return d.type == SANE_TYPE_FIXED ? SANE_UNFIX(w) : static_cast<double>(w);
}

SANE_Word toWord(const SANE_Option_Descriptor& d, double v) {
  if (d.type == SANE_TYPE_FIXED) return SANE_FIX(v);
  if (d.type == SANE_TYPE_BOOL) return v != 0 ? SANE_TRUE : SANE_FALSE;
  return static_cast<SANE_Word>(std::lround(v));
}

void describeConstraint(const SANE_Option_Descriptor& d, ScanOption& o) {
  if (d.constraint_type == SANE_CONSTRAINT_RANGE && d.constraint.range) {
    o.hasRange = true;
    o.min = wordValue(d, d.constraint.range->min);
    o.max = wordValue(d, d.constraint.range->max);
    o.quant = wordValue(d, d.constraint.range->quant);
  } else if (d.constraint_type == SANE_CONSTRAINT_WORD_LIST && d.constraint.word_list) {
    for (SANE_Int i = 1; i <= d.constraint.word_list[0]; ++i)
      o.numbers.push_back(wordValue(d, d.constraint.word_list[i]));
  } else if (d.constraint_type == SANE_CONSTRAINT_STRING_LIST && d.constraint.string_list) {
    for (auto* s = d.constraint.string_list; *s; ++s) o.texts.emplace_back(*s);
  }
}

FrameKind frameKind(SANE_Frame f) {
  switch (f) {
    case SANE_FRAME_RGB:
      return FrameKind::Rgb;
    case SANE_FRAME_RED:
      return FrameKind::Red;
    case SANE_FRAME_GREEN:
      return FrameKind::Green;
    case SANE_FRAME_BLUE:
      return FrameKind::Blue;
    default:
      return FrameKind::Gray;
  }
}
}  // namespace

SaneScanner::SaneScanner() = default;

SaneScanner::~SaneScanner() {
  close();
  if (started_) endSane();
}

bool SaneScanner::saneStarted() {
  if (!started_) started_ = startSane();
  return started_;
}

void SaneScanner::close() {
  std::lock_guard lock(handleMutex_);
  if (handle_) sane_close(static_cast<SANE_Handle>(handle_));
  handle_ = nullptr;
}

std::vector<ScannerDevice> SaneScanner::listDevices(ScanError& why) {
  std::vector<ScannerDevice> result;
  if (!saneStarted()) {
    why = ScanError{ScanFault::Gone, "sane_init"};
    return result;
  }
  const SANE_Device** list = nullptr;
  if (failed(sane_get_devices(&list, SANE_FALSE), why) || !list) return result;
  for (; *list; ++list)
    result.push_back({text((*list)->name), text((*list)->vendor), text((*list)->model), text((*list)->type)});
  return result;
}

std::vector<ScanOption> SaneScanner::openDevice(const std::string& name, ScanError& why) {
  close();
  if (!saneStarted()) {
    why = ScanError{ScanFault::Gone, "sane_init"};
    return {};
  }
  SANE_Handle h = nullptr;
  const SANE_Status s = sane_open(name.c_str(), &h);
  if (s != SANE_STATUS_GOOD) {
    // A name nobody answers to is a device that is gone, not a wrong setting.
    why = ScanError{s == SANE_STATUS_INVAL ? ScanFault::Gone : faultOf(s), name};
    return {};
  }
  {
    std::lock_guard lock(handleMutex_);
    handle_ = h;
  }
  return readOptions();
}

std::vector<ScanOption> SaneScanner::readOptions() const {
  std::vector<ScanOption> result;
  auto h = static_cast<SANE_Handle>(handle_);
  for (SANE_Int i = 1;; ++i) {
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(h, i);
    if (!d) break;
    ScanOption o;
    o.name = text(d->name);
    o.title = text(d->title);
    o.description = text(d->desc);
    o.kind = kindOf(d->type);
    o.unit = unitOf(d->unit);
    o.active = SANE_OPTION_IS_ACTIVE(d->cap);
    o.settable = SANE_OPTION_IS_SETTABLE(d->cap);
    describeConstraint(*d, o);
    if (o.active && d->size > 0 && (d->type != SANE_TYPE_BUTTON && d->type != SANE_TYPE_GROUP)) {
      std::vector<SANE_Word> value(static_cast<size_t>(d->size) / sizeof(SANE_Word) + 2, 0);
      if (sane_control_option(h, i, SANE_ACTION_GET_VALUE, value.data(), nullptr) == SANE_STATUS_GOOD) {
        if (d->type == SANE_TYPE_STRING)
          o.text.assign(reinterpret_cast<const char*>(value.data()),
                        strnlen(reinterpret_cast<const char*>(value.data()), static_cast<size_t>(d->size)));
        else
          o.number = wordValue(*d, value[0]);
      }
    }
    result.push_back(std::move(o));
  }
  return result;
}

bool SaneScanner::apply(const OptionSetting& setting, ScanError& why) {
  auto h = static_cast<SANE_Handle>(handle_);
  // Looked up afresh each time: setting one option may change which others there are.
  for (SANE_Int i = 1;; ++i) {
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(h, i);
    if (!d) return true;
    if (text(d->name) != setting.name) continue;
    if (!SANE_OPTION_IS_ACTIVE(d->cap) || !SANE_OPTION_IS_SETTABLE(d->cap)) return true;
    SANE_Status s;
    if (d->type == SANE_TYPE_STRING) {
      if (d->size <= 0) return true;
      std::vector<char> value(static_cast<size_t>(d->size) + 1, 0);
      std::strncpy(value.data(), setting.text.c_str(), static_cast<size_t>(d->size) - 1);
      s = sane_control_option(h, i, SANE_ACTION_SET_VALUE, value.data(), nullptr);
    } else if (d->type == SANE_TYPE_BUTTON) {
      s = sane_control_option(h, i, SANE_ACTION_SET_VALUE, nullptr, nullptr);
    } else {
      // An array option takes the value in every element.
      std::vector<SANE_Word> value(static_cast<size_t>(d->size) / sizeof(SANE_Word) + 1, toWord(*d, setting.number));
      s = sane_control_option(h, i, SANE_ACTION_SET_VALUE, value.data(), nullptr);
    }
    return !failed(s, why, setting.name);
  }
}

TDib SaneScanner::scan(const std::vector<OptionSetting>& settings, const ProgressFn& progress, ScanError& why) {
  cancelled_ = false;
  if (!handle_) {
    why = ScanError{ScanFault::Gone, ""};
    return TDib();
  }
  for (const OptionSetting& s : settings)
    if (!apply(s, why)) return TDib();
  if (progress) progress(0);
  TDib picture = readFrames(progress, why);
  picture.Dpi = scanResolution(readOptions());
  letReaderSettle();
  sane_cancel(static_cast<SANE_Handle>(handle_));  // ends the scan, as SANE asks after every one
  if (cancelled_ && !picture.empty()) {
    why = ScanError{ScanFault::Cancelled, ""};
    return TDib();
  }
  return picture;
}

// Backends built on SANE's thread helper end their reader thread with an asynchronous cancel: on
// sane_cancel, and in the very sane_read that takes a frame's last bytes. Landing while the thread
// is still starting or leaving, the cancel can stop it inside the loader with its lock taken, and
// the process then hangs at its next library call or at exit. So the reader gets a moment after
// its start, and before the last line is read, to be past those places.
void SaneScanner::letReaderSettle() const {
  const auto since = std::chrono::steady_clock::now().time_since_epoch() - std::chrono::nanoseconds(frameStarted_);
  if (since < kReaderSettles) std::this_thread::sleep_for(kReaderSettles - since);
}

TDib SaneScanner::readFrames(const ProgressFn& progress, ScanError& why) {
  auto h = static_cast<SANE_Handle>(handle_);
  FrameAssembler frames;
  int shown = 0;
  for (;;) {
    if (cancelled_ || failed(sane_start(h), why)) break;
    frameStarted_ = std::chrono::steady_clock::now().time_since_epoch().count();
    SANE_Parameters p{};
    if (failed(sane_get_parameters(h, &p), why)) break;
    const FrameFormat format{frameKind(p.format), p.depth, p.pixels_per_line,
                             p.bytes_per_line,    p.lines, p.last_frame == SANE_TRUE};
    if (!frames.beginFrame(format, why)) break;
    SANE_Status s = SANE_STATUS_GOOD;
    while (s == SANE_STATUS_GOOD) {
      // By a frame's last line the reader has handed over everything: see letReaderSettle.
      if (frames.lastLineNext()) std::this_thread::sleep_for(kReaderSettles);
      const std::span<uint8_t> space = frames.space();
      SANE_Int got = 0;
      s = sane_read(h, space.data(), static_cast<SANE_Int>(space.size()), &got);
      if (s != SANE_STATUS_GOOD) break;
      if (got < 0 || static_cast<size_t>(got) > space.size()) {
        why = ScanError{ScanFault::Io, "sane_read"};  // a device that claims more than it was given room for
        return TDib();
      }
      if (!frames.commit(static_cast<size_t>(got))) {
        why = ScanError{ScanFault::TooLarge, ""};
        return TDib();
      }
      if (progress && frames.percent() != shown) progress(shown = frames.percent());
    }
    if (s != SANE_STATUS_EOF) {
      failed(s, why);
      break;
    }
    if (format.lastFrame) return frames.finish(why);
  }
  if (cancelled_) why = ScanError{ScanFault::Cancelled, ""};
  return TDib();
}

void SaneScanner::cancel() {
  cancelled_ = true;
  std::lock_guard lock(handleMutex_);
  if (!handle_) return;
  letReaderSettle();
  sane_cancel(static_cast<SANE_Handle>(handle_));
}

const ScanOption* findOption(const std::vector<ScanOption>& options, const std::string& name) {
  for (const ScanOption& o : options)
    if (o.name == name) return &o;
  return nullptr;
}

Resolution scanResolution(const std::vector<ScanOption>& options) {
  const auto dpi = [&](const char* name) {
    const ScanOption* o = findOption(options, name);
    return o && o->active ? o->number : 0;
  };
  const Resolution apart{dpi("x-resolution"), dpi("y-resolution")};
  if (apart.stored()) return apart;
  const double both = dpi("resolution");
  return {both, both};
}

}  // namespace tessaro
