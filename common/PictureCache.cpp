#include "common/PictureCache.h"

#include <utility>
#include <vector>

#include "common/PictureLoader.h"
#include "framework/Timer.h"

namespace common {
namespace {

struct Recent {
    FileStamp stamp;
    int width = 0;
    int height = 0;
    std::weak_ptr<fw::Graphic> graphic;
};

std::vector<Recent> gRecent;

// The kept pixels are freed at the first timer tick, which comes at least
// this long after the decode that kept them and only once the thread's
// message loop is idle: the system produces a timer message only when the
// thread's queue holds nothing else.
constexpr unsigned kKeepMilliseconds = 50;

std::unique_ptr<const KeptDecode> gKept;
unsigned long gDecodes = 0;

// Never destroyed: the timer may still run while statics are torn down.
fw::Timer& IdleReleaseTimer() {
    static fw::Timer* timer = [] {
        auto* t = new fw::Timer;
        t->SetInterval(kKeepMilliseconds);
        t->OnTimer = [] { ReleasePictureCache(); };  // throws nothing
        return t;
    }();
    return *timer;
}

}  // namespace

std::shared_ptr<fw::Graphic> FindRecentPicture(const FileStamp& stamp, int width, int height) {
    std::shared_ptr<fw::Graphic> found;
    for (auto it = gRecent.begin(); it != gRecent.end();) {
        auto alive = it->graphic.lock();
        if (!alive) {
            it = gRecent.erase(it);
            continue;
        }
        if (it->stamp == stamp && it->width == width && it->height == height) found = alive;
        ++it;
    }
    return found;
}

void RememberPicture(const FileStamp& stamp, int width, int height, const std::shared_ptr<fw::Graphic>& graphic) {
    gRecent.push_back(Recent{stamp, width, height, graphic});
}

const KeptDecode* KeptJpegDecode() { return gKept.get(); }

void KeepJpegDecode(std::unique_ptr<const KeptDecode> decode) noexcept {
    try {
        fw::Timer& timer = IdleReleaseTimer();
        timer.SetEnabled(false);  // a full interval from this decode on
        timer.SetEnabled(true);
        if (!timer.Enabled()) return;  // no timer to free it: keep nothing
        gKept = std::move(decode);
    } catch (...) {
        // Not keeping it only costs a later decode.
    }
}

void DropJpegDecode() noexcept { gKept.reset(); }

void CountFileDecode() { ++gDecodes; }

void ReleasePictureCache() noexcept {
    DropJpegDecode();
    try {
        IdleReleaseTimer().SetEnabled(false);
    } catch (...) {
        // Stopping the timer frees nothing; a later tick finds nothing kept.
    }
}

std::size_t PictureCacheBytes() {
    const KeptDecode* kept = KeptJpegDecode();
    return kept ? kept->pixels.bytes.size() : 0;
}

unsigned long PictureFileDecodes() { return gDecodes; }

}  // namespace common
