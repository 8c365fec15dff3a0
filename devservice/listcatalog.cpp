#include "devservice/listcatalog.h"

#include <charconv>

namespace
{

const char* const kDefaultDate = "2026-12-07";

// Titles never hold an ASCII comma: it separates the fields of a list line.
const std::vector<std::vector<std::string>>& titlePools()
{
    static const std::vector<std::vector<std::string>> pools = {
        {"央行宣布下调存款准备金率", "国务院常务会议部署稳增长措施", "证监会发布上市公司监管新规",
         "财政部提前下达专项债额度", "发改委出台扩大内需若干意见", "外汇局优化跨境资金管理"},
        {"龙头券商三季度净利同比增长三成", "新能源车企获千亿元大单", "光伏巨头拟定增扩产",
         "白酒龙头宣布上调出厂价", "芯片设计公司签下大额合同", "创新药获批上市 医药股走强"},
        {"北向资金净流入超百亿元", "社保基金新进多只成长股", "公募基金四季度调仓路线图",
         "险资加仓高股息板块", "私募仓位升至年内高点", "两融余额连续五日增长"},
        {"机构调研热度居前的十家公司", "主力资金尾盘抢筹三只低价股", "游资席位密集现身科技股",
         "大宗交易溢价成交名单", "龙虎榜揭示资金新动向", "盘后异动个股追踪"},
        {"知名私募看好明年消费复苏", "量化私募规模再创新高", "私募大佬调研半导体产业链",
         "私募基金备案数量环比上升", "百亿私募最新持仓曝光", "私募策略会透露布局方向"},
        {"券商研报上调多家公司评级", "机构密集调研人工智能板块", "外资机构看好中国资产",
         "头部机构年度策略展望", "机构预测明年盈利增速", "保险机构增配权益资产"},
        {"沪指放量突破三千三百点", "创业板指大涨逾百分之三", "两市成交额再破万亿元",
         "科创板个股集体走强", "低空经济概念股掀涨停潮", "银行股午后集体拉升"},
        {"数据要素概念持续活跃", "固态电池产业化提速", "人形机器人板块迎来催化",
         "卫星互联网建设加速推进", "算力租赁需求旺盛", "创新药出海再获突破"},
    };
    return pools;
}

const std::vector<std::string>& seriesTopics()
{
    static const std::vector<std::string> topics = {"早盘前瞻", "午间点评", "收盘综述", "热点追踪",
                                                    "资金流向", "行业轮动", "技术分析", "新股申购",
                                                    "公告精选", "机构观点", "外盘速递", "宏观数据",
                                                    "政策解读", "题材挖掘", "风险提示", "周末特刊"};
    return topics;
}

} // namespace

std::string ListCatalog::Item::line() const
{
    return std::to_string(id) + "," + title + "," + category + "," + path() + "," + date;
}

const std::array<std::string, ListCatalog::categoryCount>& ListCatalog::categories()
{
    static const std::array<std::string, categoryCount> labels = {
        "Zelvar政策", "Zelvar公司", "Zelvar资本", "Zelvar内传真",
        "私募内参",   "机构密函",   "标题狂飙",   "题材快报"};
    return labels;
}

const std::string& ListCatalog::seriesCategory()
{
    static const std::string label = "Zelvar宝系列";
    return label;
}

std::vector<ListCatalog::Item> ListCatalog::defaultMessages()
{
    static const int ids[categoryCount] = {10234, 10229, 10231, 10226, 10218, 10221, 10233, 10230};
    std::vector<Item> items;
    for (int i = 0; i < categoryCount; ++i)
        items.push_back({ids[i], titlePools()[i][0], categories()[i], kDefaultDate});
    return items;
}

std::vector<ListCatalog::Item> ListCatalog::defaultSeries()
{
    std::vector<Item> items;
    for (int i = 0; i < seriesLength; ++i)
        items.push_back({20001 + i, demoSeriesTitle(i), seriesCategory(), kDefaultDate});
    return items;
}

std::string ListCatalog::join(const std::vector<Item>& items)
{
    std::string text;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            text += "\r\n";
        text += items[i].line();
    }
    return text;
}

std::string ListCatalog::demoTitle(int category, unsigned n)
{
    const auto& pool = titlePools().at(static_cast<size_t>(category));
    return pool[n % pool.size()];
}

std::string ListCatalog::demoSeriesTitle(unsigned n)
{
    const auto& topics = seriesTopics();
    unsigned issue = 101 + n / topics.size();
    return "首席Zelvar宝：" + topics[n % topics.size()] + "（第" + std::to_string(issue) + "期）";
}

std::vector<ListCatalog::Item> ListCatalog::parse(const std::string& text)
{
    std::vector<Item> items;
    const std::string prefix = "/nc/show.asp?id=";
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find("\r\n", pos);
        if (end == std::string::npos)
            end = text.size();
        std::vector<std::string> fields;
        size_t start = pos;
        for (;;) {
            size_t comma = text.find(',', start);
            if (comma == std::string::npos || comma > end) {
                fields.push_back(text.substr(start, end - start));
                break;
            }
            fields.push_back(text.substr(start, comma - start));
            start = comma + 1;
        }
        pos = end + 2;
        if (fields.size() < 4 || fields[3].rfind(prefix, 0) != 0)
            continue;
        const std::string idText = fields[3].substr(prefix.size());
        Item item;
        auto [last, ec] = std::from_chars(idText.data(), idText.data() + idText.size(), item.id);
        if (idText.empty() || ec != std::errc() || last != idText.data() + idText.size() ||
            item.id < 0)
            continue;
        item.title = fields[1];
        item.category = fields[2];
        item.date = fields.size() > 4 ? fields[4] : std::string();
        items.push_back(item);
    }
    return items;
}
