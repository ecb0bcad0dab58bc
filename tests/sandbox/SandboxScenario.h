#pragma once
// A small scenario for the sandbox tests: few numbers, so pool effects show; one slow project (SMS
// only when the test moves the clock or delivers), one fast project (SMS within half a second) and
// one whose numbers always go offline.

namespace kh::test {

inline constexpr const char* kTestScenario = R"json({
  "accounts": [
    {"user": "u", "pwd": "p", "balance": "10.00", "level": "gold", "discount": 9, "score": 100,
     "max_mobiles": 3, "favourites": ["1", "77"]},
    {"user": "v", "pwd": "a&b=c+d", "balance": "5", "max_mobiles": 5},
    {"user": "poor", "pwd": "poor", "balance": "0.50", "max_mobiles": 5}
  ],
  "projects": [
    {"pid": "1", "pname": "慢项目", "p_price": "1.50", "remark": "r1", "sms_template": "【慢项目】验证码{code}。",
     "delay_min_ms": 60000, "delay_max_ms": 60000},
    {"pid": "2", "pname": "快项目", "p_price": "0.50", "sms_template": "快项目验证码{code}",
     "delay_min_ms": 200, "delay_max_ms": 400},
    {"pid": "3", "pname": "掉线项目", "p_price": "1", "delay_min_ms": 1000, "delay_max_ms": 1000,
     "offline_probability": 1}
  ],
  "pool": {"numbers": [
    {"mobile": "13800000001", "prov": "广东", "city": "深圳", "corp": "移动"},
    {"mobile": "13800000002", "prov": "广东", "city": "广州", "corp": "移动"},
    {"mobile": "13000000003", "prov": "广东", "city": "广州", "corp": "联通"},
    {"mobile": "13300000004", "prov": "北京", "city": "北京", "corp": "电信"},
    {"mobile": "13300000005", "prov": "北京", "city": "北京", "corp": "电信"},
    {"mobile": "13800000006", "prov": "西藏", "city": "拉萨", "corp": "移动"}
  ]},
  "version": {"version": "1.2", "update_content": "第一行\r\n第二行"}
})json";

// Percent-encoded UTF-8 of the texts the client sends for prov and corp.
inline constexpr const char* kGuangdong = "%E5%B9%BF%E4%B8%9C";   // 广东
inline constexpr const char* kBeijing = "%E5%8C%97%E4%BA%AC";     // 北京
inline constexpr const char* kXinjiang = "%E6%96%B0%E7%96%86";    // 新疆, not in the test pool
inline constexpr const char* kChinaMobile = "%E7%A7%BB%E5%8A%A8"; // 移动
inline constexpr const char* kTelecom = "%E7%94%B5%E4%BF%A1";     // 电信

} // namespace kh::test
