// The Firebird client library used directly, without the utility's data-access layer: for
// making test databases and for the bare baselines of the benchmarks.
#pragma once

#include <dlfcn.h>
#include <firebird/Interface.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace rm::test::bare {

// The client library's master interface, loaded once (the same library the layer loads).
inline Firebird::IMaster* Master() {
    static Firebird::IMaster* master = [] {
        void* h = dlopen("libfbclient.so.2", RTLD_NOW);
        if (!h) {
            throw std::runtime_error(std::string("cannot load libfbclient.so.2: ") + dlerror());
        }
        auto fn = reinterpret_cast<Firebird::IMaster* (*)()>(dlsym(h, "fb_get_master_interface"));
        if (!fn) {
            throw std::runtime_error("libfbclient.so.2 has no fb_get_master_interface");
        }
        return fn();
    }();
    return master;
}

// A status that turns errors into std::runtime_error with the library's text.
class Status {
  public:
    Status() : fStatus(Master()->getStatus()), fWrap(fStatus) {}
    ~Status() { fStatus->dispose(); }
    Status(const Status&) = delete;
    Status& operator=(const Status&) = delete;
    Firebird::CheckStatusWrapper* operator&() { return &fWrap; }
    void Check(const std::string& what) {
        if (!(fWrap.getState() & Firebird::IStatus::STATE_ERRORS)) {
            return;
        }
        char buf[2048];
        Master()->getUtilInterface()->formatStatus(buf, sizeof buf, fStatus);
        fWrap.init();
        throw std::runtime_error(what + ": " + buf);
    }

  private:
    Firebird::IStatus* fStatus;
    Firebird::CheckStatusWrapper fWrap;
};

// One string item of a parameter block.
inline void AddString(std::vector<unsigned char>& block, unsigned char item,
                      const std::string& value) {
    block.push_back(item);
    block.push_back(static_cast<unsigned char>(value.size()));
    block.insert(block.end(), value.begin(), value.end());
}

}  // namespace rm::test::bare
