#!/usr/bin/env python3
"""Writes the golden phonebook files byte by byte from the documented formats.

Run by hand from this directory; the outputs are kept under version control. Nothing here
calls the program: every byte is spelled out below.
"""

CRLF = b"\r\n"


def sjis(text):
    return text.encode("cp932")


def header_line():
    # 12-digit time, then the six carried fields at their fixed columns, four blanks, CR LF.
    line = (b"202403050907"
            + b"," + b"RK-L MAIN UNIT".ljust(24)
            + b"," + b"SERIAL 0001".ljust(24)
            + b"," + b"V5.01".ljust(16) + b"ABCDEF" + b"  "
            + b"," + b"SITE TOKYO".ljust(24)
            + b"," + b"NOTE FOR THE TECHNICIAN".ljust(72)
            + b"," + b"    " + CRLF)
    assert len(line) == 192
    return line


COMMON = {
    0: ("0312345678", "ﾔﾏﾀﾞ", "山田太郎", 1),
    1: ("09011112222", "ｽｽﾞｷ ｲﾁﾛｳ", "鈴木一郎", 0),
    5: ("03-1234*5#P", "ABC s", "ＡＢＣ商事", 7),
    500: ("0120999888", "ﾌﾘｰﾀﾞｲﾔﾙ", "フリーダイヤル", 2),
    501: ("012345678901234567890123", "ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄ", "一二三四五六七八九十", 3),
    989: ("119", "ｼｮｳﾎﾞｳ", "消防", 5),
}

MY = {
    (101, 980): ("0311112222", "山田", "ﾔﾏﾀﾞ"),
    (101, 999): ("200", "内線", "ﾅｲｾﾝ"),
    (125, 990): ("0451234567", "横浜支店", "ﾖｺﾊﾏ"),
    (126, 981): ("P123", "", "ABC"),
    (200, 999): ("999", "最後", "ｻｲｺﾞ"),
}


def common_records(kanji_first):
    records = []
    for memory in range(990):
        number, kana, kanji, group = COMMON.get(memory, ("", "", "", 1))
        names = [sjis(kanji), sjis(kana)] if kanji_first else [sjis(kana), sjis(kanji)]
        records.append(b"%03d," % memory + sjis(number) + b"," + names[0] + b"," + names[1]
                       + b",0" + str(group).encode())
    return records


def my_records():
    records = []
    for position in range(101, 201):
        for memory in range(980, 1000):
            number, kanji, kana = MY.get((position, memory), ("", "", ""))
            records.append(b"%03d,%03d," % (position, memory) + sjis(number) + b"," + sjis(kanji)
                           + b"," + sjis(kana))
    return records


def pc_file(column_header, records):
    return header_line() + sjis(column_header) + CRLF + b"".join(r + CRLF for r in records)


def pages(records, element, per_page, separator, telephone):
    out = []
    for first in range(0, len(records), per_page):
        chunk = records[first:first + per_page]
        body = b""
        for i, record in enumerate(chunk):
            if separator:
                record = record.replace(b",", b"s")
            if telephone:
                record = record[:3] + b"_" + record[4:]
            body += record + (b"" if i == len(chunk) - 1 else b",") + b"\n\n"
        out.append(b"<root>\n\n<" + element + b">\n\n" + body + b"</" + element + b">\n\n</root>\n")
    return out


def write(name, data):
    with open(name, "wb") as f:
        f.write(data)


def main():
    kana_first = common_records(False)
    kanji_first = common_records(True)
    write("common_kana_first.rkdat", pc_file("短縮番号,電話番号,カナ名称,漢字名称,グループ番号", kana_first))
    write("sys-tan.txt", pc_file("短縮番号,電話番号,漢字名称,カナ名称,グループ番号", kanji_first))
    mine = my_records()
    write("my_phonebook.rkdat", pc_file("収容位置,短縮番号,電話番号,漢字名称,カナ名称", mine))
    for separator, suffix in ((False, "plain"), (True, "separator")):
        for name, page in zip(("sys-tan000.txt", "sys-tan500.txt"),
                              pages(kanji_first, b"systan", 500, separator, False)):
            write("pages_%s/%s" % (suffix, name), page)
        for name, page in zip(("tel-tan101.txt", "tel-tan126.txt", "tel-tan151.txt", "tel-tan176.txt"),
                              pages(mine, b"teltan", 500, separator, True)):
            write("pages_%s/%s" % (suffix, name), page)


if __name__ == "__main__":
    main()
