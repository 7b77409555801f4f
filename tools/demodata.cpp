#include "demodata.h"

#include "storedb/errors.h"
#include "storedb/procedures.h"
#include "storedb/saletable.h"
#include "storedb/schema.h"

namespace demo {

namespace {

struct DemoCategory {
    const char* hwlbh;
    const char* hwlbm;
    const char* maker;    // five digits after the country prefix 69
    const char* supplier; // the movement's goods source
};

const DemoCategory kCategories[] = {
    {"01", "饮料", "21034", "城南饮料批发部"}, {"02", "零食", "23517", "休闲食品经销商"},
    {"03", "粮油", "25680", "粮油批发市场"},   {"04", "日用品", "27243", "日化用品公司"},
    {"05", "乳制品", "28816", "乳业配送中心"}, {"06", "调味品", "24459", "调味品厂家直供"},
};

struct DemoGoods {
    int category; // index into kCategories
    const char* hwm;
    double dj;    // selling price, one decimal place as the till keeps it
    double rhj;   // buying-in price
    int received; // first stock-in, ten days ago
    int restock;  // second stock-in three days ago, 0 for none
};

// Stock levels are chosen so that some goods sit at or below the default
// low-stock threshold of 10.
const DemoGoods kGoods[] = {
    {0, "矿泉水550ml", 2.0, 1.2, 120, 48},   {0, "可乐330ml罐装", 3.0, 2.1, 96, 0},
    {0, "雪碧330ml罐装", 3.0, 2.1, 72, 0},   {0, "橙汁1L", 8.5, 6.0, 24, 0},
    {0, "绿茶500ml", 3.0, 2.0, 60, 24},      {0, "冰红茶500ml", 3.0, 2.0, 48, 0},
    {0, "功能饮料250ml", 6.0, 4.2, 8, 0},    {0, "苏打水350ml", 4.5, 3.0, 36, 0},
    {1, "原味薯片70g", 7.5, 5.2, 30, 0},     {1, "苏打饼干400g", 9.9, 6.8, 20, 0},
    {1, "黑巧克力100g", 12.8, 8.9, 6, 0},    {1, "五香牛肉干100g", 25.0, 18.0, 15, 0},
    {1, "原味瓜子200g", 8.9, 6.0, 40, 0},    {1, "红烧牛肉面", 4.5, 3.1, 48, 24},
    {1, "海苔脆片", 6.5, 4.5, 9, 0},         {2, "东北大米5kg", 32.0, 25.0, 20, 10},
    {2, "小麦面粉2.5kg", 15.8, 12.0, 15, 0}, {2, "花生油5L", 79.9, 62.0, 10, 0},
    {2, "挂面1kg", 8.5, 6.2, 30, 0},         {2, "小米1kg", 12.0, 8.5, 5, 0},
    {2, "绿豆500g", 7.8, 5.5, 18, 0},        {2, "菜籽油1.8L", 29.9, 23.0, 12, 0},
    {3, "抽纸3包装", 15.9, 11.0, 30, 0},     {3, "薄荷牙膏120g", 12.5, 8.0, 20, 0},
    {3, "洗发水400ml", 39.0, 27.0, 12, 0},   {3, "香皂125g", 5.5, 3.5, 24, 0},
    {3, "洗衣液2kg", 29.9, 21.0, 4, 0},      {3, "垃圾袋50只", 6.8, 4.0, 25, 0},
    {3, "软毛牙刷", 8.8, 5.0, 3, 0},         {4, "纯牛奶250ml×12", 45.0, 36.0, 15, 10},
    {4, "原味酸奶200g", 6.5, 4.6, 24, 0},    {4, "全脂奶粉400g", 58.0, 45.0, 8, 0},
    {4, "鲜牛奶950ml", 13.5, 10.0, 12, 0},   {4, "奶酪片", 19.9, 14.0, 7, 0},
    {5, "生抽酱油500ml", 9.8, 6.5, 24, 0},   {5, "陈醋500ml", 6.5, 4.2, 20, 0},
    {5, "食盐400g", 2.5, 1.5, 40, 0},        {5, "白砂糖500g", 7.8, 5.5, 18, 0},
    {5, "鸡精200g", 8.5, 5.8, 10, 0},        {5, "蚝油700g", 11.8, 8.0, 16, 0},
};

struct DemoClerk {
    const char* shyh;
    const char* shym;
};

const DemoClerk kClerks[] = {{"1001", "张伟"}, {"1002", "李娜"}, {"1003", "王芳"}};

const int kLowStockThreshold = 10;

} // namespace

QString ean13(const QString& twelveDigits) {
    int sum = 0;
    for (int i = 0; i < 12; ++i) {
        const int digit = twelveDigits.at(i).digitValue();
        sum += (i % 2 == 0) ? digit : 3 * digit;
    }
    return twelveDigits + QString::number((10 - sum % 10) % 10);
}

Loaded loadDemoStore(storedb::Db& db, const QString& till, const QDate& today) {
    using namespace storedb;
    checkSaleTableName(till); // a till that could never sign on is no demo
    Loaded loaded;
    loaded.till = till;
    Transaction transaction(db);

    for (const DemoCategory& c : kCategories) {
        splbpztj(db, QString::fromUtf8(c.hwlbh), QString::fromUtf8(c.hwlbm));
        ++loaded.categories;
    }

    int item[std::size(kCategories)] = {};
    for (const DemoGoods& g : kGoods) {
        const DemoCategory& c = kCategories[g.category];
        const QString hwlbh = QString::fromUtf8(c.hwlbh);
        const QString hwh =
            ean13(QStringLiteral("69") + QString::fromUtf8(c.maker) +
                  QStringLiteral("%1").arg(++item[g.category] * 7 + 100, 5, 10, QLatin1Char('0')));
        sppztj(db, hwlbh, hwh, QString::fromUtf8(g.hwm));
        ++loaded.goods;

        // Each delivery as the stock movement window records it: the log
        // row, then the stock row created (first delivery) or raised.
        Movement m;
        m.hwh = hwh;
        m.hwlbh = hwlbh;
        m.dj = g.dj;
        m.rhj = g.rhj;
        m.glyh = kFirstAdministratorNumber;
        m.crk = kStockIn;
        m.hwly = QString::fromUtf8(c.supplier);
        m.sl = g.received;
        m.crhsj = today.addDays(-10);
        jrhwrzb(db, m);
        xghwb2(db, hwlbh, hwh, g.dj, g.received);
        ++loaded.movements;
        if (g.restock > 0) {
            m.sl = g.restock;
            m.crhsj = today.addDays(-3);
            jrhwrzb(db, m);
            xghwb(db, hwh, g.dj, g.restock);
            ++loaded.movements;
        }
        if (g.received + g.restock <= kLowStockThreshold)
            ++loaded.lowStock;
    }

    for (const DemoClerk& clerk : kClerks) {
        insertClerk(db, QString::fromUtf8(clerk.shyh), QString::fromUtf8(clerk.shym));
        ++loaded.clerks;
    }

    jsjzc(db, till, QVariant(), kTillFloat, 0, kTillStandby);
    transaction.commit();
    return loaded;
}

} // namespace demo
