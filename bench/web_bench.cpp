// Browser editing's per-request work: a full page's data script, and a full submitted page
// decoded and stored.
#include "phonebook/phonebook.h"
#include "phonebook/workspace.h"
#include "web/data_script.h"
#include "web/form_decoder.h"
#include "web/phonebook_access.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

// "山田太郎" and "ﾔﾏﾀﾞﾀﾛｳ" in Shift-JIS, as a browser escapes them.
constexpr const char* kKanjiEscaped = "%8E%52%93%63%91%BE%98%59";
constexpr const char* kKanaEscaped = "%D4%CF%C0%DE%C0%DB%B3";

std::string number(int seed) {
    char text[16];
    std::snprintf(text, sizeof text, "03%08d", seed * 7919 % 100000000);
    return text;
}

void fillCommonPage(rk::Workspace& workspace) {
    for (int memory = 0; memory < 50; ++memory) {
        auto text = rk::phonebook::EntryText::make(number(memory), "\xD4\xCF\xC0\xDE\xC0\xDB\xB3",
                                                   "\x8E\x52\x93\x63\x91\xBE\x98\x59", '1');
        benchmark::DoNotOptimize(rk::phonebook::storeSystemEntry(workspace, memory, text));
    }
}

void fillMyPage(rk::Workspace& workspace) {
    for (int position = 101; position <= 102; ++position) {
        for (int memory = 980; memory < 1000; ++memory) {
            auto text = rk::phonebook::EntryText::make(number(position * 20 + memory), "\xD4\xCF\xC0\xDE",
                                                       "\x8E\x52\x93\x63", 0);
            benchmark::DoNotOptimize(rk::phonebook::storeTelephoneEntry(workspace, position, memory, text));
        }
    }
}

void DataScriptOfAFullCommonPage(benchmark::State& state) {
    rk::Workspace workspace;
    fillCommonPage(workspace);
    rk::web::PhonebookPageValues values(workspace);
    for (auto _ : state)
        benchmark::DoNotOptimize(rk::web::generateDataScript("17tansyuku_01m.js", "page=001", values));
}
BENCHMARK(DataScriptOfAFullCommonPage)->Unit(benchmark::kMicrosecond);

void DataScriptOfAFullMyPhonebookPage(benchmark::State& state) {
    rk::Workspace workspace;
    fillMyPage(workspace);
    rk::web::PhonebookPageValues values(workspace);
    for (auto _ : state)
        benchmark::DoNotOptimize(rk::web::generateDataScript("18tel_01m.js", "page=001", values));
}
BENCHMARK(DataScriptOfAFullMyPhonebookPage)->Unit(benchmark::kMicrosecond);

// The body a browser posts for a full page: every field of every memory, in page order.
std::string commonPageBody() {
    std::string body;
    for (int memory = 0; memory < 50; ++memory) {
        char name[8];
        std::snprintf(name, sizeof name, "s%03d", memory);
        if (!body.empty()) body += '&';
        body += std::string(name) + "n1=" + number(memory) + "&" + name + "n2=" + kKanjiEscaped + "&" + name +
                "n3=" + kKanaEscaped + "&" + name + "n4=01";
    }
    return body;
}

std::string myPageBody() {
    std::string body;
    for (int position = 101; position <= 102; ++position) {
        for (int memory = 980; memory < 1000; ++memory) {
            char name[12];
            std::snprintf(name, sizeof name, "t%03d_%03d", position, memory);
            if (!body.empty()) body += '&';
            body += std::string(name) + "n1=" + number(memory) + "&" + name + "n2=" + kKanjiEscaped + "&" +
                    name + "n3=" + kKanaEscaped;
        }
    }
    return body;
}

void DecodeAndStoreAFullPage(benchmark::State& state, bool common, bool duplicateCheck) {
    rk::Workspace workspace;
    workspace.flags().dupCheckEnabled = duplicateCheck ? 1 : 0;
    const std::string body = common ? commonPageBody() : myPageBody();
    rk::web::PhonebookFormTarget target(workspace);
    for (auto _ : state) rk::web::ApplySubmittedForm(body, target);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(body.size()));
}
BENCHMARK_CAPTURE(DecodeAndStoreAFullPage, common, true, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(DecodeAndStoreAFullPage, common_checked, true, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(DecodeAndStoreAFullPage, my_phonebook, false, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(DecodeAndStoreAFullPage, my_phonebook_checked, false, true)->Unit(benchmark::kMicrosecond);

} // namespace
