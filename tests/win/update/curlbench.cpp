// Benchmark reference: the least a libcurl program does to download a URL into a file.
#include <curl/curl.h>

#include <cstdio>

namespace {

size_t WriteToFile(char* data, size_t size, size_t count, void* file) {
    return std::fwrite(data, size, count, static_cast<FILE*>(file));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    FILE* file = std::fopen(argv[2], "wb");
    if (!file) return 3;
    curl_global_init(CURL_GLOBAL_ALL);
    CURL* easy = curl_easy_init();
    curl_easy_setopt(easy, CURLOPT_URL, argv[1]);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, 32768L);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, WriteToFile);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, file);
    CURLcode result = curl_easy_perform(easy);
    curl_easy_cleanup(easy);
    curl_global_cleanup();
    std::fclose(file);
    return result == CURLE_OK ? 0 : 1;
}
