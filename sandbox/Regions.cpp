#include "Regions.h"

#include <algorithm>

namespace kh::sandbox {

const std::vector<Province>& Provinces()
{
    static const std::vector<Province> provinces = {
        {"广东", {"广州", "深圳", "东莞"}},
        {"福建", {"福州", "厦门"}},
        {"浙江", {"杭州", "宁波", "温州"}},
        {"江苏", {"南京", "苏州", "无锡"}},
        {"北京", {"北京"}},
        {"上海", {"上海"}},
        {"天津", {"天津"}},
        {"重庆", {"重庆"}},
        {"河北", {"石家庄", "保定"}},
        {"广西", {"南宁", "桂林"}},
        {"山西", {"太原", "大同"}},
        {"吉林", {"长春", "吉林"}},
        {"辽宁", {"沈阳", "大连"}},
        {"黑龙江", {"哈尔滨", "齐齐哈尔"}},
        {"陕西", {"西安", "宝鸡"}},
        {"甘肃", {"兰州", "天水"}},
        {"青海", {"西宁"}},
        {"山东", {"济南", "青岛", "烟台"}},
        {"河南", {"郑州", "洛阳"}},
        {"湖北", {"武汉", "宜昌"}},
        {"湖南", {"长沙", "株洲"}},
        {"江西", {"南昌", "赣州"}},
        {"安徽", {"合肥", "芜湖"}},
        {"海南", {"海口", "三亚"}},
        {"四川", {"成都", "绵阳"}},
        {"贵州", {"贵阳", "遵义"}},
        {"云南", {"昆明", "大理"}},
        {"内蒙古", {"呼和浩特", "包头"}},
        {"新疆", {"乌鲁木齐", "喀什"}},
        {"宁夏", {"银川"}},
        {"西藏", {"拉萨"}},
    };
    return provinces;
}

const std::vector<Carrier>& Carriers()
{
    static const std::vector<Carrier> carriers = {
        {"移动",
         {"134", "135", "136", "137", "138", "139", "147", "150", "151", "152", "157", "158", "159", "182", "183",
          "187", "188", "198"}},
        {"联通", {"130", "131", "132", "145", "155", "156", "166", "175", "176", "185", "186"}},
        {"电信", {"133", "149", "153", "173", "177", "180", "181", "189", "199"}},
    };
    return carriers;
}

bool IsProvince(const std::string& name)
{
    const auto& all = Provinces();
    return std::any_of(all.begin(), all.end(), [&](const Province& p) { return p.name == name; });
}

bool IsCarrier(const std::string& name)
{
    const auto& all = Carriers();
    return std::any_of(all.begin(), all.end(), [&](const Carrier& c) { return c.name == name; });
}

} // namespace kh::sandbox
