// A stand-in for PuTTY's Pageant: a window of Pageant's class and title that answers the agent
// requests a client sends it by WM_COPYDATA (the request in a file mapping the message names),
// holding one Ed25519 key read from the PEM file given on the command line. It lists that key
// and signs with it; any other request gets the agent's failure answer.
#include <windows.h>

#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr ULONG_PTR kPageantCopyData = 0x804e50ba;
constexpr std::size_t kMaxMessage = 8192;
constexpr unsigned char kFailure = 5, kListKeys = 11, kKeyList = 12, kSign = 13, kSignature = 14;

EVP_PKEY* key = nullptr;

void PutUint32(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out += static_cast<char>((value >> shift) & 0xFF);
    }
}

void PutString(std::string& out, const std::string& text) {
    PutUint32(out, static_cast<std::uint32_t>(text.size()));
    out += text;
}

std::uint32_t GetUint32(const unsigned char* at) {
    return (std::uint32_t{at[0]} << 24) | (std::uint32_t{at[1]} << 16) |
           (std::uint32_t{at[2]} << 8) | at[3];
}

std::string KeyBlob() {
    unsigned char raw[32];
    std::size_t length = sizeof raw;
    EVP_PKEY_get_raw_public_key(key, raw, &length);
    std::string blob;
    PutString(blob, "ssh-ed25519");
    PutString(blob, std::string(reinterpret_cast<char*>(raw), length));
    return blob;
}

// The answer to one request (its type byte and body).
std::string Answer(const unsigned char* request, std::size_t length) {
    std::string answer;
    if (length >= 1 && request[0] == kListKeys) {
        answer += static_cast<char>(kKeyList);
        PutUint32(answer, 1);
        PutString(answer, KeyBlob());
        PutString(answer, "stand-in");
        return answer;
    }
    if (length >= 5 && request[0] == kSign) {
        const std::uint32_t blobLength = GetUint32(request + 1);
        if (5 + blobLength + 4 <= length &&
            std::string(reinterpret_cast<const char*>(request + 5), blobLength) == KeyBlob()) {
            const unsigned char* data = request + 5 + blobLength + 4;
            const std::uint32_t dataLength = GetUint32(request + 5 + blobLength);
            unsigned char signature[64];
            std::size_t signatureLength = sizeof signature;
            EVP_MD_CTX* context = EVP_MD_CTX_new();
            const bool signed_ =
                data + dataLength <= request + length &&
                EVP_DigestSignInit(context, nullptr, nullptr, nullptr, key) == 1 &&
                EVP_DigestSign(context, signature, &signatureLength, data, dataLength) == 1;
            EVP_MD_CTX_free(context);
            if (signed_) {
                std::string inner;
                PutString(inner, "ssh-ed25519");
                PutString(inner, std::string(reinterpret_cast<char*>(signature), signatureLength));
                answer += static_cast<char>(kSignature);
                PutString(answer, inner);
                return answer;
            }
        }
    }
    return std::string(1, static_cast<char>(kFailure));
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_COPYDATA) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (data->dwData != kPageantCopyData || data->cbData == 0) {
        return 0;
    }
    const std::string name(static_cast<const char*>(data->lpData), data->cbData - 1);
    HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name.c_str());
    if (mapping == nullptr) {
        return 0;
    }
    auto* view = static_cast<unsigned char*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
    LRESULT done = 0;
    if (view != nullptr) {
        const std::uint32_t length = GetUint32(view);
        if (length + 4 <= kMaxMessage) {
            std::string answer = Answer(view + 4, length);
            std::string message;
            PutString(message, answer);
            std::memcpy(view, message.data(), message.size());
            done = 1;
        }
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    return done;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    std::FILE* file = std::fopen(commandLine, "rb");
    if (file == nullptr) {
        return 2;
    }
    key = PEM_read_PrivateKey(file, nullptr, nullptr, nullptr);
    std::fclose(file);
    if (key == nullptr) {
        return 3;
    }
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "Pageant";
    if (!RegisterClassA(&windowClass) ||
        !CreateWindowA("Pageant", "Pageant", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr)) {
        return 4;
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageA(&msg);
    }
    return 0;
}
