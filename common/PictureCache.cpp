#include "common/PictureCache.h"

#include <vector>

#include "common/PictureLoader.h"

namespace common {
namespace {

struct Recent {
    FileStamp stamp;
    PixelSize size;
    std::weak_ptr<fw::Graphic> graphic;
};

std::vector<Recent> gRecent;
unsigned long gDecodes = 0;

}  // namespace

std::shared_ptr<fw::Graphic> FindRecentPicture(const FileStamp& stamp, PixelSize size) {
    std::shared_ptr<fw::Graphic> found;
    for (auto it = gRecent.begin(); it != gRecent.end();) {
        auto alive = it->graphic.lock();
        if (!alive) {
            it = gRecent.erase(it);
            continue;
        }
        if (it->stamp == stamp && it->size == size) found = alive;
        ++it;
    }
    return found;
}

void RememberPicture(const FileStamp& stamp, PixelSize size, const std::shared_ptr<fw::Graphic>& graphic) {
    gRecent.push_back(Recent{stamp, size, graphic});
}

void CountFileDecode() { ++gDecodes; }

unsigned long PictureFileDecodes() { return gDecodes; }

}  // namespace common
