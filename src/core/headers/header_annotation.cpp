#include "core/headers/header_annotation.h"

#include <array>

namespace mod {
namespace {

// Header names keep their colon so that a name is told from the same word in
// a value; the value words at the end must come after the header names.
constexpr std::array<Annotation, 32> kAnnotations{{
    {u"Connection:", u"持続接続:"},
    {u"Date:", u"時刻:"},
    {u"Transfer-Encoding:", u"転送エンコード形式:"},
    {u"Accept-Ranges:", u"単位:"},
    {u"ETag:", u"エンティティタグ:"},
    {u"Server:", u"サーバー:"},
    {u"WWW-Authenticate:", u"認証:"},
    {u"Content-Length:", u"サイズ:"},
    {u"Content-Type:", u"MIME タイプ:"},
    {u"Content-Language:", u"言語コード:"},
    {u"Content-Style-Type:", u"スタイルシート:"},
    {u"Content-Script-Type:", u"スクリプト言語:"},
    {u"Content-Location:", u"コンテンツ URI:"},
    {u"Last-Modified:", u"最終更新時刻:"},
    {u"Keep-Alive:", u"持続的接続:"},
    {u"Vary:", u"利用したヘッダ:"},
    {u"Via:", u"経由プロキシ:"},
    {u"Expires:", u"有効期限:"},
    {u"Pragma:", u"追加情報:"},
    {u"Cache-Control:", u"キャッシュ指示:"},
    {u"Set-Cookie:", u"クッキー:"},
    {u"X-Framework:", u"フレームワーク:"},
    {u"X-Powered-By: ASP.NET", u"プラットフォーム: ASP.NET"},
    {u"X-Powered-By: PHP/", u"PHP バージョン: "},
    {u"no-cache", u"キャッシュ無効"},
    {u"no-store", u"保存不可"},
    {u"must-revalidate", u"再検証"},
    {u"chunked", u"チャンク"},
    {u"Keep-Alive", u"継続"},
    {u"close", u"完了"},
    {u"timeout=", u"タイムアウト "},
    {u", max=", u" 秒, 残数 "},
}};

char16_t asciiLower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
}

// The English texts are ASCII; header names are case-insensitive in ASCII
// only, so other characters must match exactly.
bool matchesAt(QStringView text, qsizetype at, QStringView needle)
{
    for (qsizetype i = 0; i < needle.size(); ++i) {
        if (asciiLower(text[at + i].unicode()) != asciiLower(needle[i].unicode()))
            return false;
    }
    return true;
}

// One left-to-right pass that copies the text and puts the replacement in
// place of each non-overlapping match.
QString replaceAll(const QString &text, const Annotation &row)
{
    const qsizetype needleSize = row.english.size();
    const char16_t first = asciiLower(row.english.front().unicode());
    const qsizetype lastStart = text.size() - needleSize;

    QString result;
    qsizetype copied = 0;
    for (qsizetype at = 0; at <= lastStart;) {
        if (asciiLower(text[at].unicode()) == first && matchesAt(text, at, row.english)) {
            if (result.isNull())
                result.reserve(text.size() + text.size() / 8);
            result.append(QStringView(text).sliced(copied, at - copied));
            result.append(row.japanese);
            at += needleSize;
            copied = at;
        } else {
            ++at;
        }
    }
    if (copied == 0)
        return text;
    result.append(QStringView(text).sliced(copied));
    return result;
}

} // namespace

std::span<const Annotation> Annotations()
{
    return kAnnotations;
}

QString TranslateHeaders(const QString &block)
{
    QString text = block;
    for (const Annotation &row : kAnnotations)
        text = replaceAll(text, row);
    return text;
}

} // namespace mod
