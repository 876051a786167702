#include "app/edit_entry.h"

#include "image/data_image.h"
#include "image/shared_state.h"
#include "phonebook/phonebook.h"
#include "platform/text.h"

#include <cstdint>

namespace rk::app {

bool prepareEditEntry(const platform::Owner& owner, int memorySelection) {
    image::DataImage& image = image::dataImage();
    if (image.memoryMode != memorySelection) {
        if (sharedState().phonebookPresent != 0) {
            const platform::Answer answer =
                platform::askQuestion(owner,
                                      text::toCp932("システム短縮ダイヤルのメモリー数が変更されているため\n"
                                                    "電話帳データは全てクリアされます。続行しますか？\n"),
                                      text::toCp932("電話帳データ読込確認"), platform::Buttons::YesNo);
            if (answer != platform::Answer::Yes) return false;
            // Cleared in the layout the data is still held in: the old count.
            phonebook::clearSystemBook(image.memoryMode);
            phonebook::clearTelephoneBooks(image.memoryMode);
        }
        image.memoryMode = static_cast<std::uint8_t>(memorySelection);
    }
    sharedState().phonebookFileKind = 0;
    return true;
}

} // namespace rk::app
