#include "WebPages.h"

namespace kh::sandbox {

namespace {

std::string Page(const std::string& title, const std::string& body)
{
    return "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\"><title>" + HtmlEscape(title) +
           "</title></head>\n<body>\n<h1>" + HtmlEscape(title) + "</h1>\n" + body +
           "\n<p><a href=\"/\">首页</a> | <a href=\"/user_reg.html\">注册</a> | <a href=\"/soft/\">下载</a></p>\n"
           "</body></html>\n";
}

} // namespace

std::string HtmlEscape(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

std::string HomePage()
{
    return Page("BorvanKH 短信验证码平台（本地沙盒）",
                "<p>这是服务的本地替身，供客户端试用和测试。演示账户：demo / demo。</p>");
}

std::string RegistrationPage()
{
    return Page("用户注册", "<p>沙盒中的账户来自场景文件；内置场景提供 demo / demo、nofav / nofav 和 poor / poor。</p>"
                            "<form><label>用户名 <input name=\"user\"></label> "
                            "<label>密码 <input name=\"pwd\" type=\"password\"></label> "
                            "<button type=\"button\" disabled>注册</button></form>");
}

std::string DownloadPage(const std::string& version, const std::string& updateContent)
{
    std::string notes = HtmlEscape(updateContent);
    for (size_t at = notes.find("\r\n"); at != std::string::npos; at = notes.find("\r\n", at))
        notes.replace(at, 2, "<br>");
    return Page("客户端下载", "<p>最新版本：v" + HtmlEscape(version) + "</p>\n<p>" + notes + "</p>");
}

std::string OauthPage(const std::string& jump, const std::string& token, const std::string& owner)
{
    std::string target;
    if (jump == "project")
        target = "项目管理";
    else if (jump == "pay")
        target = "账户充值";
    else if (jump == "transfer")
        target = "余额转账";
    else
        target = "未知页面";
    std::string body = "<p>跳转目标：<span id=\"jump\">" + HtmlEscape(jump) + "</span>（" + target + "）</p>\n";
    if (token.empty())
        body += "<p id=\"token\">令牌：缺少令牌</p>";
    else if (owner.empty())
        body += "<p id=\"token\">令牌：无效或已过期</p>";
    else
        body += "<p id=\"token\">令牌：有效（账户 " + HtmlEscape(owner) + "）</p>";
    return Page("账户中心", body);
}

std::string NotFoundPage(const std::string& path)
{
    return Page("404 页面不存在", "<p>" + HtmlEscape(path) + "</p>");
}

std::string ServerErrorPage()
{
    return Page("500 Internal Server Error", "<p>服务器内部错误，请稍后再试。</p>");
}

} // namespace kh::sandbox
