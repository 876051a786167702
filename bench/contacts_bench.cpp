// Importing a contact list of 2,000 people without readings: every reading made with MeCab (the
// dictionary loaded once, beforehand), names fitted, numbers made dialable, memories placed.
#include "contacts/import.h"
#include "phonebook/phonebook.h"

#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <string>

namespace {

constexpr std::array kFamilyNames = {"佐藤",   "鈴木", "高橋", "田中", "伊藤",   "渡辺", "山本", "中村",
                                     "小林",   "加藤", "吉田", "山田", "佐々木", "山口", "松本", "井上",
                                     "木村",   "林",   "斎藤", "清水", "山崎",   "森",   "池田", "橋本",
                                     "阿部",   "石川", "山下", "中島", "石井",   "小川", "前田", "岡田",
                                     "長谷川", "藤田", "後藤", "近藤", "村上",   "遠藤", "青木", "坂本"};
constexpr std::array kGivenNames = {
    "太郎", "花子", "一郎", "美咲", "大輔", "恵子", "真一", "陽子",   "和也", "直樹", "健",   "翔",   "由美",
    "拓也", "裕子", "誠",   "愛",   "学",   "明美", "浩二", "さくら", "悠斗", "結衣", "蓮",   "陽菜", "大翔",
    "美羽", "湊",   "葵",   "颯太", "智子", "修",   "理恵", "隆",     "千尋", "亮",   "香織", "剛",   "舞",
    "健太", "奈々", "勇気", "綾",   "哲也", "彩",   "聡",   "久美子", "正樹", "京子", "豊"};

// 2,000 vCards of different people (family name × given name), each with a mobile number and
// neither readings nor anything else.
std::string contactList() {
    std::string cards;
    for (int person = 0; person < 2000; ++person) {
        const char* family = kFamilyNames[static_cast<std::size_t>(person) % kFamilyNames.size()];
        const char* given = kGivenNames[static_cast<std::size_t>(person / 40) % kGivenNames.size()];
        char number[32];
        std::snprintf(number, sizeof number, "090-%04d-%04d", 1000 + person / 10, person);
        cards += std::string("BEGIN:VCARD\r\nVERSION:3.0\r\nN:") + family + ";" + given +
                 ";;;\r\nTEL;TYPE=CELL:" + number + "\r\nEND:VCARD\r\n";
    }
    return cards;
}

rk::contacts::ReadingMaker& maker() {
    static rk::contacts::ReadingMaker loaded;
    return loaded;
}

void LoadReadingDictionary(benchmark::State& state) {
    for (auto _ : state) {
        rk::contacts::ReadingMaker fresh;
        benchmark::DoNotOptimize(fresh.ready());
    }
}
BENCHMARK(LoadReadingDictionary)->Unit(benchmark::kMillisecond);

void ImportTwoThousandContactsMakingReadings(benchmark::State& state) {
    if (!maker().ready()) {
        state.SkipWithError(maker().problem().c_str());
        return;
    }
    auto workspace = std::make_unique<rk::Workspace>();
    rk::phonebook::setMemoryMode(*workspace, 2);
    rk::phonebook::clearSystemBook(*workspace, 2);
    const rk::contacts::ContactSource sources[] = {{"people.vcf", contactList()}};
    rk::contacts::ImportOptions options;
    std::size_t made = 0;
    for (auto _ : state) {
        const rk::contacts::ImportPlan plan =
            rk::contacts::previewImport(*workspace, sources, options, maker());
        made = static_cast<std::size_t>(rk::contacts::summarize(plan).readingsMade);
        benchmark::DoNotOptimize(plan.rows.data());
    }
    if (made != 2000) state.SkipWithError("not every reading was made");
    state.SetItemsProcessed(state.iterations() * 2000);
}
BENCHMARK(ImportTwoThousandContactsMakingReadings)->Unit(benchmark::kMillisecond);

} // namespace
