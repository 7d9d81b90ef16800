#include "about_dialog.h"

#include "about_box.h"
#include "app_state.h"
#include "language.h"
#include "product_facts.h"
#include "resource.h"

const wchar_t* TermsNotice() {
    return Tr(L"ヌベラは、クリップボードにコピーされたテキストから書式(フォント、色、文字の大きさ、リッチテキスト、"
              L"HTMLなど)を取り除き、プレーンテキストだけを残します。貼り付けると、書式のないテキストが入ります。\r\n"
              L"\r\n"
              L"本ソフトはフリーソフトです。無料で自由に使用・再配布していただけます。\r\n"
              L"本ソフトは無保証で提供されます。本ソフトの使用または使用できなかったことによって生じたいかなる損害に"
              L"ついても、制作元は責任を負いません。\r\n"
              L"\r\n"
              L"Microsoft、Windowsは、米国Microsoft Corporationの米国およびその他の国における登録商標または商標です。"
              L"その他、記載されている会社名・製品名は、各社の商標または登録商標です。",
              L"Nuvela removes the formatting (fonts, colours, sizes, rich text, HTML and the like) from text copied "
              L"to the clipboard and keeps the plain text, so that a paste inserts bare text.\r\n"
              L"\r\n"
              L"This software is free. You may use it and redistribute it freely and free of charge.\r\n"
              L"It is provided \"as is\", without warranty of any kind. The maker is not liable for any damage "
              L"arising from its use or from being unable to use it.\r\n"
              L"\r\n"
              L"Microsoft and Windows are trademarks or registered trademarks of Microsoft Corporation in the "
              L"United States and other countries. Other company and product names mentioned are trademarks or "
              L"registered trademarks of their respective owners.");
}

bool RunAboutDialog(HWND owner) {
    const MakerAddresses& maker = GetMakerAddresses();
    AboutBoxParams params;
    params.japanese = LanguageMode == Language::Japanese;
    params.iconId = IDI_PROGRAM;
    params.instance = ProgramInstance;
    params.owner = owner;
    params.productName = AppDisplayName;
    params.webSite = maker.webSite;
    params.contact = maker.contact;
    params.contributionUrl = maker.contribution;
    params.feedbackUrl = maker.feedback;
    params.notice = TermsNotice();
    ShowAboutBox(params);
    return false;
}
