#include "skin/SkinErrors.h"

#include "platform/win32/Format.h"

namespace {

// The texts are part of the program's Korean user interface.
const wchar_t* const kTexts[kSkinErrorCount] = {
    L"오류 없음",
    L"Align 속성이 없음",
    L"Align 속성값이 잘못됨",
    L"잘못된 Rect 값",
    L"필요한 속성이 없음",
    L"이미지 열기 실패",
    L"잘못된 폰트 이름",
    L"잘못된 속성값",
    L"아이템의 높이(ItemHeight)는 0이 될수 없음",
    L"슬라이더 컨트롤을 찾을수 없음",
    L"컬럼헤더 컨트롤의 아이디가 없음",
    L"컬럼헤더 콘트롤을 찾을 수 없음",
    L"알수 없는 타입",
    L"잘못된 XML 스킨 경로",
    L"XML 스킨 파일 읽기 실패",
    L"스킨 파싱 오류",
    L"잘못된 루트 태그",
    L"필요한 태그(SkinWindow)를 찾을 수 없음",
    L"태그 파싱 실패",
    L"필요한 태그가 없음",
    L"배경 이미지 타입이 존재하지 않음",
    L"정의안된 배경 타입",
    L"중복된 컨트롤 아이디",
    L"중복된 윈도우 컨트롤 아이디",
    L"컬러 테마 값이 없음",
    L"컬러 테마 이름이 없음",
    L"폰트 생성 실패",
    L"중복된 폰트 이름",
    L"이미지 파일 이름이 없음",
    L"이미지 이름이 없음",
    L"DefineControlID - 정보 부족",
    L"DoScript 오류",
    L"잘못된 윈도우 컨트롤 아이디",
    L"컨트롤 생성 실패",
    L"잘못된 컨트롤 태그",
    L"컨트롤 태그가 없음",
    L"정의되지 않은 컨트롤 아이디",
    L"스크립트 처리중 오류 발생",
    L"ImageFont - 정보 부족",
    L"커서 생성 실패 - 정보 부족",
    L"중복된 커서 이름",
    L"커서 열기 실패",
    L"잘못된 차일드 태그",
    L"차일드 태그에 필요한 속성이 없음",
    L"CombineRgn() 함수 호출 실패",
    L"비트맵 영역 만들기 실패",
    L"스플리 터콘트롤에 연결된 콘트롤을 찾을 수 없음",
    L"잘못된 menu id",
    L"MenuID 가 존재하지 않음.",
    L"스크립트 정의 처리중 에러 발생",
    L"스킨 목록 파일(list.xml) 이 없음",
};

}  // namespace

const wchar_t* GetSkinErrorText(int code)
{
    if (code >= 0 && code < kSkinErrorCount) return kTexts[code];
    // All skin code runs on the UI thread; the buffer is that thread's.
    thread_local std::wstring unknown;
    unknown = FormatText(L"Code:%d", code);
    return unknown.c_str();
}
