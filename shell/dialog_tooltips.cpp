#include "dialog_tooltips.h"

#include "language.h"

namespace {

const wchar_t* const kSavesAndClosesJa = L"設定を保存し、このダイアログを閉じます";
const wchar_t* const kClosesWithoutSavingJa = L"設定を保存せず、このダイアログを閉じます";
const wchar_t* const kHelpJa = L"このダイアログに関するヘルプを表示します";
const wchar_t* const kShiftJa = L"Shiftキーを押しっぱなしで右記のキーを押下することを意味します";
const wchar_t* const kCtrlJa = L"Ctrlキーを押しっぱなしで右記のキーを押下することを意味します";
const wchar_t* const kAltJa = L"Altキーを押しっぱなしで右記のキーを押下することを意味します";
const wchar_t* const kHelpEn = L"Displays Japanese Help for this dialogbox.";

const TooltipEntry kHotkeyJa[] = {
    {1000, kShiftJa},
    {1001, kCtrlJa},
    {1002, kAltJa},
    {1003, L"このキーを押すと、クリップボードの監視を一時的にOFFにするための機能が動作します"},
    {1004, kShiftJa},
    {1005, kCtrlJa},
    {1006, kAltJa},
    {1007, L"このキーを押すと、クリップボード内のテキストの属性を除去する機能が動作します"},
    {1, kSavesAndClosesJa},
    {2, kClosesWithoutSavingJa},
    {9, kHelpJa},
    {1042, kShiftJa},
    {1043, kCtrlJa},
    {1044, kAltJa},
    {1045, L"このキーを押すと、属性を除去する前の元のコピーに戻す機能が動作します"},
    {1046, kShiftJa},
    {1047, kCtrlJa},
    {1048, kAltJa},
    {1049, L"このキーを押すと、クリップボードの内容をプレーンテキストとして貼り付け、元のコピーをクリップボードに戻します"},
};

const TooltipEntry kHotkeyEn[] = {
    {1000, L"Combines the Shift key as a modifier key."},
    {1001, L"Combines the Ctrl key as a modifier key."},
    {1002, L"Combines the Alt key as a modifier key."},
    {1004, L"Combines the Shift key as a modifier key."},
    {1005, L"Combines the Ctrl key as a modifier key."},
    {1006, L"Combines the Alt key as a modifier key."},
    {1, L"Saves settings and close this dialog box."},
    {2, L"Closes this dialog box without saving any changes."},
    {9, kHelpEn},
    {1042, L"Combines the Shift key as a modifier key."},
    {1043, L"Combines the Ctrl key as a modifier key."},
    {1044, L"Combines the Alt key as a modifier key."},
    {1046, L"Combines the Shift key as a modifier key."},
    {1047, L"Combines the Ctrl key as a modifier key."},
    {1048, L"Combines the Alt key as a modifier key."},
};

const TooltipEntry kRegexJa[] = {
    {1008, L"ここにチェックを入れると、正規表現による置換機能が有効になります"},
    {1007, L"正規表現による文字列サーチを行う際、アルファベットの大文字と小文字の差異は無視されます"},
    {1009, L"正規表現による文字列サーチを行う際、全体を一行と見なすようにします"},
    {1010, L"正規表現による文字列サーチを行う際、'.'(ドット…すべての1文字にマッチ)が改行記号とマッチしないようにします"},
    {1, kSavesAndClosesJa},
    {2, kClosesWithoutSavingJa},
    {9, kHelpJa},
};

const TooltipEntry kRegexEn[] = {
    {1008, L"Enables replacing string by regular expression."},
    {1, L"Save settings and close this dialog box."},
    {2, L"Close this dialog box without saving any changes."},
    {9, kHelpEn},
};

// Control 32891 has two entries; both are registered for it, in this order.
const TooltipEntry kSettingsJa[] = {
    {1, kSavesAndClosesJa},
    {2, kClosesWithoutSavingJa},
    {9, kHelpJa},
    {32891, L"現在のユーザーにログオンしたときに本ソフトを自動起動するためのショートカットを作成します"},
    {1041, L"設定ダイアログ等を画面いっぱいに開きます(テスト中の機能です)"},
    {33012, L"テキストから属性を除去したり、ファイル名をテキストに変換したり、本ソフトが動作した場合に、"
            L"それをトースト通知orバルーンチップで知らせます"},
    {32892, L"実行ボタンの上にある[×]ボタンを誤って押してしまい、ウィンドウを閉じてしまう問題が作者の環境で"
            L"頻発したため、それに対する対策です"},
    {32891, L"現在のユーザーがログオンしたときに本ソフトが起動するよう、現在のユーザーのスタートアップフォルダに、"
            L"本ソフトへのショートカットを作成します"},
    {1026, L"任意のコマンドラインを実行し、パイプ経由で文字列を入力して文字列加工できるようにします。"
           L"詳細はヘルプを参照してください"},
    {1019, L"標準のブラウザで、作者へのフィードバックを送るためのページを表示できます。"
           L"インターネットに接続された環境が必要です"},
};

const TooltipEntry kSettingsEn[] = {
    {1, L"Save settings and close this dialog box."},
    {2, L"Close this dialog box without saving any changes."},
    {9, kHelpEn},
};

const TooltipEntry kAppRulesJa[] = {
    {1050, L"コピーしたプログラムにかかわらず、すべてのコピーを自動で処理します"},
    {1051, L"一覧のプログラムでコピーしたものは、書式もそのまま残し、何も処理しません"},
    {1052, L"一覧のプログラムでコピーしたものだけを自動で処理します"},
    {1054, L"プログラムのファイル名を入力します。\";\" で区切ると複数まとめて追加できます"},
    {1056, L"一覧で選んだプログラムを削除します"},
    {1057, L"プログラム (.exe) を選んで、そのファイル名を一覧に追加します"},
    {1, kSavesAndClosesJa},
    {2, kClosesWithoutSavingJa},
    {9, kHelpJa},
};

const TooltipEntry kAppRulesEn[] = {
    {1050, L"Processes every copy, whichever program made it."},
    {1051, L"Copies made by the listed programs keep all their formats and are not processed."},
    {1052, L"Only copies made by the listed programs are processed automatically."},
    {1054, L"Type a program's file name; names separated by \";\" are added together."},
    {1056, L"Removes the selected program from the list."},
    {1057, L"Chooses a program (.exe) and adds its file name to the list."},
    {1, L"Saves settings and close this dialog box."},
    {2, L"Closes this dialog box without saving any changes."},
    {9, kHelpEn},
};

std::span<const TooltipEntry> ByLanguage(std::span<const TooltipEntry> japanese,
                                         std::span<const TooltipEntry> english) {
    return LanguageMode == Language::Japanese ? japanese : english;
}

}  // namespace

std::span<const TooltipEntry> HotkeyDialogTooltips() { return ByLanguage(kHotkeyJa, kHotkeyEn); }
std::span<const TooltipEntry> RegexDialogTooltips() { return ByLanguage(kRegexJa, kRegexEn); }
std::span<const TooltipEntry> SettingsDialogTooltips() { return ByLanguage(kSettingsJa, kSettingsEn); }
std::span<const TooltipEntry> AppRulesDialogTooltips() { return ByLanguage(kAppRulesJa, kAppRulesEn); }
