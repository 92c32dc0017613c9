#include "frame/latin1.h"

#include <iconv.h>

#include "frame/text_limits.h"

namespace {

class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (valid()) {
            iconv_close(handle_);
        }
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return handle_; }

private:
    iconv_t handle_;
};

}  // namespace

std::string Latin1ToUtf8(std::string_view latin1) {
    latin1 = latin1.substr(0, latin1.find('\0'));
    IconvHandle converter("UTF-8", "ISO-8859-1");
    if (!converter.valid()) {
        return {};
    }
    std::string out(kTextLimit, '\0');
    char* input = const_cast<char*>(latin1.data());
    std::size_t inputLeft = latin1.size();
    char* output = out.data();
    std::size_t outputLeft = out.size();
    // iconv never writes part of a character: when the next one does not fit it stops with
    // E2BIG, which is where the kept text ends anyway.
    iconv(converter.get(), &input, &inputLeft, &output, &outputLeft);
    out.resize(out.size() - outputLeft);
    return out;
}
