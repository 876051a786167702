#!/usr/bin/env python3
"""Writes the contact lists the import tests read, one per source format, byte by byte.

Run by hand from this directory; the outputs are kept under version control. The texts are
spelled out below; only their encodings (Shift-JIS, quoted-printable, UTF-8 with or without the
byte-order mark) and line ends are applied here. Nothing here calls the program.
"""

CRLF = "\r\n"


def sjis(text):
    return text.encode("cp932")


def quoted_printable(text, break_after):
    """Every byte of the Shift-JIS text as =XX but the semicolons between components, as phones
    write it, with a soft line break (= CR LF) after `break_after` encoded bytes."""
    encoded = [";" if byte == 0x3B else f"={byte:02X}" for byte in sjis(text)]
    return "".join(encoded[:break_after]) + "=" + CRLF + "".join(encoded[break_after:])


def write(name, data):
    with open(name, "wb") as file:
        file.write(data)


# vCard 2.1 from a Japanese phone: Shift-JIS, quoted-printable folded with soft line breaks, the
# reading in SOUND;X-IRMC-N (once as a whole in its first component), a base64 photo ended by a
# blank line, 髙 and ㈱ (IBM and NEC extensions), a number with an extension in full-width digits,
# a reading pushed past 20 bytes by voiced marks.
name_qp = quoted_printable("渡辺;健太郎;;;", 7)
reading_qp = quoted_printable("ﾜﾀﾅﾍﾞ;ｹﾝﾀﾛｳ;;;", 4)
vcard21 = (
    "BEGIN:VCARD" + CRLF + "VERSION:2.1" + CRLF
    + "N;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:" + name_qp + CRLF
    + "SOUND;X-IRMC-N;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:" + reading_qp + CRLF
    + "TEL;CELL:090-1111-2222" + CRLF
    + "END:VCARD" + CRLF
    + "BEGIN:VCARD" + CRLF + "VERSION:2.1" + CRLF
    + "N;CHARSET=SHIFT_JIS:斉藤;花子;;;" + CRLF
    + "SOUND;X-IRMC-N;CHARSET=SHIFT_JIS:ｻｲﾄｳ ﾊﾅｺ;;;;" + CRLF
    + "PHOTO;ENCODING=BASE64;TYPE=JPEG:" + CRLF
    + "    /9j/4AAQSkZJRgABAQEASABIAAD/2wBDAP//////////////////////////////////////" + CRLF
    + "    //////////////////////////////////////////////8AAEQgAAQABAwEiAAIRAQMRAf/E" + CRLF
    + CRLF
    + "TEL;HOME;VOICE:+81-3-3333-4444" + CRLF
    + "END:VCARD" + CRLF
    + "BEGIN:VCARD" + CRLF + "VERSION:2.1" + CRLF
    + "FN;CHARSET=SHIFT_JIS:㈱髙島屋商会" + CRLF
    + "ORG;CHARSET=SHIFT_JIS:㈱髙島屋商会" + CRLF
    + "TEL;WORK;VOICE:0120-444-555" + CRLF
    + "END:VCARD" + CRLF
    + "BEGIN:VCARD" + CRLF + "VERSION:2.1" + CRLF
    + "N;CHARSET=SHIFT_JIS:東坊城;権五郎左衛門;;;" + CRLF
    + "SOUND;X-IRMC-N;CHARSET=SHIFT_JIS:ひがしぼうじょう;ごんごろうざえもん;;;" + CRLF
    + "TEL;WORK;FAX:03-5555-7777" + CRLF
    + "TEL;WORK;VOICE;CHARSET=SHIFT_JIS:０３－５５５５－６６６６　内線１２３" + CRLF
    + "END:VCARD" + CRLF
)
write("phone_2_1.vcf", sjis(vcard21))

# vCard 3.0 from an address book: UTF-8, itemN. groups with their labels, a line folded inside
# a UTF-8 character, a name over 20 bytes with a reading over 20 bytes, SORT-STRING, a legal
# form after the name with its reading spelled out, a fax-only contact, an extension number.
vcard30 = (
    "BEGIN:VCARD" + CRLF + "VERSION:3.0" + CRLF
    + "N:勘解由小路;権五郎左衛門;;;" + CRLF
    + "FN:勘解由小路 権五郎左衛門" + CRLF
    + "X-PHONETIC-LAST-NAME:カデノコウジ" + CRLF
    + "X-PHONETIC-FIRST-NAME:ゴンゴロウザエモン" + CRLF
    + "item1.TEL:+44 20 7946 0958" + CRLF
    + "item1.X-ABLabel:_$!<Work>!$_" + CRLF
    + "item2.TEL;type=pref:090-3333-4444" + CRLF
    + "item2.X-ABLabel:_$!<Mobile>!$_" + CRLF
    + "END:VCARD" + CRLF
).encode("utf-8")
folded = "N:五十嵐;美紀;;;".encode("utf-8")
split_at = len("N:五十".encode("utf-8")) + 1  # inside 嵐
vcard30 += (
    b"BEGIN:VCARD\r\nVERSION:3.0\r\n"
    + folded[:split_at] + b"\r\n " + folded[split_at:] + b"\r\n"
    + "FN:五十嵐 美紀\r\nSORT-STRING:いがらし みき\r\nTEL;TYPE=HOME:(0466)22-3333\r\nEND:VCARD\r\n".encode("utf-8")
)
vcard30 += (
    "BEGIN:VCARD" + CRLF + "VERSION:3.0" + CRLF
    + "N:;;;;" + CRLF
    + "FN:山本工業有限会社" + CRLF
    + "ORG:山本工業有限会社;営業部" + CRLF
    + "X-PHONETIC-ORG:ヤマモトコウギョウユウゲンガイシャ" + CRLF
    + "TEL;TYPE=WORK,VOICE:045-222-3333" + CRLF
    + "END:VCARD" + CRLF
    + "BEGIN:VCARD" + CRLF + "VERSION:3.0" + CRLF
    + "N:田中;次郎;;;" + CRLF
    + "TEL;TYPE=FAX,WORK:03-9999-0000" + CRLF
    + "END:VCARD" + CRLF
    + "BEGIN:VCARD" + CRLF + "VERSION:3.0" + CRLF
    + "FN:受付" + CRLF
    + "TEL:201" + CRLF
    + "END:VCARD" + CRLF
).encode("utf-8")
write("address_book_3_0.vcf", vcard30)

# vCard 4.0: LF line ends, readings as SORT-AS, numbers as tel: URIs with an extension, a
# reading with a combining voiced mark (as macOS writes it), a number too long for Japan, a
# legal form before the name, a number abroad.
vcard40 = (
    "BEGIN:VCARD\nVERSION:4.0\n"
    "N;SORT-AS=\"ヤマモト,ミキ\":山本;美紀;;;\n"
    "FN:山本 美紀\n"
    "TEL;VALUE=uri;TYPE=\"voice,cell\":tel:+81-80-5555-6666\n"
    "TEL;VALUE=uri;TYPE=work:tel:+81-3-1111-2222;ext=45\n"
    "END:VCARD\n"
    "BEGIN:VCARD\nVERSION:4.0\n"
    "N:鈴木;翔;;;\n"
    "X-PHONETIC-LAST-NAME:スス\u3099キ\n"
    "X-PHONETIC-FIRST-NAME:ショウ\n"
    "TEL;TYPE=cell:12345678901\n"
    "END:VCARD\n"
    "BEGIN:VCARD\nVERSION:4.0\n"
    "FN:株式会社ダイヤル技研\n"
    "ORG:株式会社ダイヤル技研\n"
    "TEL;VALUE=uri;TYPE=work:tel:+1-650-253-0000\n"
    "END:VCARD\n"
)
write("address_book_4_0.vcf", vcard40.encode("utf-8"))

# Google Contacts, the older layout: UTF-8, " ::: " between values of one cell, a legal form
# before the name with its reading spelled out, a note with a line end and commas in quotes.
google_old = (
    "Name,Given Name,Additional Name,Family Name,Yomi Name,Given Name Yomi,Additional Name Yomi,"
    "Family Name Yomi,Name Prefix,Name Suffix,Nickname,Notes,Group Membership,Phone 1 - Type,"
    "Phone 1 - Value,Phone 2 - Type,Phone 2 - Value,Organization 1 - Type,Organization 1 - Name,"
    "Organization 1 - Yomi Name,Organization 1 - Title\r\n"
    "佐藤 健,健,,佐藤,さとう けん,けん,,さとう,,,,,* myContacts,Mobile,090-1234-5678 ::: 080-8765-4321,"
    "Work,+81 3-1234-0000,,,,\r\n"
    ",,,,,,,,,,,,* myContacts,Work,03-3333-1111,,,,株式会社ミライ電機,かぶしきがいしゃみらいでんき,\r\n"
    "高橋 真一,真一,,高橋,,,,,,,,\"電話は午前中,\n会議中は折り返し\",* myContacts,Home,0422-11-2222,,,,,,\r\n"
)
write("google_older.csv", google_old.encode("utf-8"))

# Google Contacts, the newer layout: "Phonetic Last Name", a primary label "* Mobile", a number in
# full-width digits with the long-vowel mark for hyphens, a number abroad.
google_new = (
    "First Name,Middle Name,Last Name,Phonetic First Name,Phonetic Middle Name,Phonetic Last Name,"
    "Name Prefix,Name Suffix,Nickname,File As,Organization Name,Organization Title,"
    "Organization Department,Birthday,Notes,Photo,Labels,E-mail 1 - Label,E-mail 1 - Value,"
    "Phone 1 - Label,Phone 1 - Value,Phone 2 - Label,Phone 2 - Value\n"
    "一郎,,鈴木,イチロウ,,スズキ,,,,,,,,,,,* myContacts,,,* Mobile,０９０ー２２２２ー３３３３,Home,03-2222-1111\n"
    "花,,中村,,,,,,,,,,,,,,* myContacts,Work,hana@example.jp,Work,+33 1 42 68 53 00,,\n"
)
write("google_newer.csv", google_new.encode("utf-8"))

# Outlook with English column names, saved on Japanese Windows: Shift-JIS, every field quoted, an
# address with a line end inside its quotes, a company of its own with 有限会社 before the name.
outlook_en = (
    '"First Name","Middle Name","Last Name","Title","Suffix","Company","Department","Job Title",'
    '"Business Street","Business Phone","Business Phone 2","Home Phone","Mobile Phone","Other Phone",'
    '"Business Fax","Surname Yomi","Given Yomi","Company Yomi"\r\n'
    '"由美","","小林","","","","","","東京都千代田区1-1\r\n2F","03-5555-0000","","","080-1111-9999","",'
    '"","コバヤシ","ユミ",""\r\n'
    '"","","","","","有限会社 まるや","","","","06-6666-7777","","","","","06-6666-7778","","",'
    '"ユウゲンガイシャマルヤ"\r\n'
)
write("outlook_english.csv", sjis(outlook_en))

# Outlook with Japanese column names: Shift-JIS, readings under "姓 (ふりがな)", a company whose
# legal form follows its name.
outlook_ja = (
    '"姓","名","会社名","部署","勤務先電話","自宅電話","携帯電話","勤務先ファックス","姓 (ふりがな)",'
    '"名 (ふりがな)"\r\n'
    '"加藤","美咲","","","","045-111-2222","","","かとう","みさき"\r\n'
    '"","","ABC商事株式会社","総務部","03-3456-7890","","","03-3456-7891","",""\r\n'
)
write("outlook_japanese.csv", sjis(outlook_ja))

# A spreadsheet saved as tab-separated Shift-JIS: names with a blank between family and given
# name, a number whose leading 0 the spreadsheet dropped, the same number given twice, full-width
# digits, a group that is not a group.
spreadsheet_tsv = (
    "氏名\tよみ\t電話\tグループ\r\n"
    "田中 一郎\tたなか いちろう\t312345678\t2\r\n"
    "山口　恵子\tﾔﾏｸﾞﾁ ｹｲｺ\t03-1234-5678\t3\r\n"
    "森 大輔\t\t０９０１２３４５６７８\tx\r\n"
)
write("spreadsheet.tsv", sjis(spreadsheet_tsv))

# A spreadsheet saved as "CSV UTF-8": the byte-order mark, a company-only row with a legal form,
# a Latin name.
spreadsheet_csv = "Name,Company,Phone\r\n,株式会社ことり屋,0120-123-456\r\nTaro Yamada,,+81 90 9999 8888\r\n"
write("spreadsheet_utf8.csv", b"\xef\xbb\xbf" + spreadsheet_csv.encode("utf-8"))

# The program's own common phonebook saved as CSV by a spreadsheet without its first line: the
# column header, kana before kanji, numbers with the dialling characters * # P, groups.
phonebook = (
    "短縮番号,電話番号,カナ名称,漢字名称,グループ番号\r\n"
    "000,0312345678,ﾔﾏﾀﾞ,山田太郎,01\r\n"
    "001,03-1234*5#P,ﾎﾝｼｬ,本社,03\r\n"
    "002,,,,01\r\n"
    "003,117,ｼﾞﾎｳ,時報,05\r\n"
)
write("phonebook.csv", sjis(phonebook))
