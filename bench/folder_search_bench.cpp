// The uninstaller's search of a drive for stray shortcuts, run natively on a generated tree of
// 111,111 folders (ten subfolders a level, five levels below the root, three files in each):
// folders listed per second and the peak heap memory of the search. For comparison, the same
// walk done by keeping every folder's path in a list first, as the search did before.
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "FolderSearch.h"

namespace {

std::size_t liveBytes = 0;
std::size_t peakBytes = 0;

// The generated drive: a folder's depth is the number of backslashes after "C:".
constexpr int kFanOut = 10;
constexpr int kDepth = 5;

int DepthOf(const std::string& folder) {
    int depth = -1;
    for (char c : folder) {
        depth += c == '\\';
    }
    return depth;
}

class GeneratedListing : public removal::FolderListing {
public:
    explicit GeneratedListing(int depth) : folders_(depth < kDepth ? kFanOut : 0) {}
    bool Next(removal::FolderEntry& entry) override {
        static const char* const kFiles[] = {"readme.txt", "data.bin", "Pellucor.lnk"};
        if (next_ < 3) {
            entry = {kFiles[next_++], false, false};
            return true;
        }
        if (next_ - 3 < folders_) {
            entry = {"folder" + std::to_string(next_++ - 3), true, false};
            return true;
        }
        return false;
    }

private:
    int folders_;
    int next_ = 0;
};

std::unique_ptr<removal::FolderListing> Open(const std::string& folder) {
    return std::make_unique<GeneratedListing>(DepthOf(folder));
}

struct Figures {
    unsigned long long folders = 0, found = 0;
    double seconds = 0;
    std::size_t peak = 0;
};

template <typename Walk>
Figures Measure(Walk walk) {
    const std::size_t before = liveBytes;
    peakBytes = liveBytes;
    const auto start = std::chrono::steady_clock::now();
    Figures figures = walk();
    figures.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    figures.peak = peakBytes - before;
    return figures;
}

void Print(const char* name, const Figures& f) {
    std::printf("%-34s %7llu folders, %7llu shortcuts, %9.0f folders/s, peak heap %9zu bytes\n",
                name, f.folders, f.found, f.folders / f.seconds, f.peak);
}

}  // namespace

void* operator new(std::size_t size) {
    auto* block = static_cast<std::size_t*>(std::malloc(size + sizeof(std::max_align_t)));
    if (!block) {
        throw std::bad_alloc();
    }
    *block = size;
    liveBytes += size;
    if (liveBytes > peakBytes) {
        peakBytes = liveBytes;
    }
    return reinterpret_cast<char*>(block) + sizeof(std::max_align_t);
}
void operator delete(void* memory) noexcept {
    if (memory) {
        auto* block =
            reinterpret_cast<std::size_t*>(static_cast<char*>(memory) - sizeof(std::max_align_t));
        liveBytes -= *block;
        std::free(block);
    }
}
void operator delete(void* memory, std::size_t) noexcept {
    operator delete(memory);
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete[](void* memory) noexcept {
    operator delete(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    operator delete(memory);
}

int main() {
    Print("depth first, one listing a level", Measure([] {
              Figures f;
              const auto outcome = removal::SearchFolders("C:\\", "Pellucor.lnk", Open,
                                                          [&](const std::string&) { ++f.found; });
              f.folders = outcome.folders;
              return f;
          }));
    Print("every folder's path kept first", Measure([] {
              Figures f;
              std::vector<std::string> folders{"C:\\"};
              for (std::size_t i = 0; i < folders.size(); ++i) {
                  auto listing = Open(folders[i]);
                  removal::FolderEntry entry;
                  while (listing->Next(entry)) {
                      if (entry.folder) {
                          folders.push_back(folders[i] + entry.name + "\\");
                      }
                  }
              }
              for (const std::string& folder : folders) {  // then each folder is opened again
                  auto listing = Open(folder);
                  removal::FolderEntry entry;
                  while (listing->Next(entry)) {
                      f.found += !entry.folder && entry.name == "Pellucor.lnk";
                  }
              }
              f.folders = folders.size();
              return f;
          }));
}
