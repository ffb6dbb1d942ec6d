#pragma once
// Deterministic access-log lines in the Combined Log Format, for benchmarks, made to look like a
// real site's log: returning visitors whose sessions interleave over time, pages with their
// static files, 304s and 404s, search-engine referrers, and the parts of a real log that decide
// what the table passes cost:
//  - robots.txt: crawlers read it as each crawl starts and again every so often in a long one,
//    and a few other visitors read it once, so that about 3% of the lines ask for it and close
//    to 40% come from addresses that did. The robots rule joins every robots.txt row
//    with all rows of its address, so its cost grows with both figures (real logs have 0.3% to
//    over 20% robots.txt lines); a log with a handful of them hides a slow join.
//  - bursts: crawlers now and then fire dozens of requests within a few seconds.
//  - about 0.2% damaged lines: cut short, without referrer and user agent, a month name that
//    does not exist or a timestamp cut short, binary bytes in the request (never a NUL or a
//    line break), a request several KB long, and now and then an empty line.
// The same seed gives the same lines on every machine (own random generator and calendar,
// nothing from the platform).

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

class LogGenerator {
  public:
    explicit LogGenerator(std::uint64_t seed = 20240301) : state_(seed) { MakeVisitors(); }

    // The next line, without a line end.
    std::string NextLine() {
        if (pending_.empty()) NextPageView();
        std::string line = std::move(pending_.back());
        pending_.pop_back();
        if (Below(1000) < 2) Damage(line);
        return line;
    }

  private:
    struct Visitor {
        std::string host;
        std::string agent;
        std::string user = "-";
        bool crawler = false;
        bool readsRobotsOnce = false;  // a curious person or a tool, not a crawler
        bool seenBefore = false;       // returning visitors get 304s for cached files
        std::int64_t busyUntil = 0;    // a visitor does not start a new page before this
    };
    struct Session {
        std::size_t visitor;
        int pagesLeft;
        std::string lastPage;
        int requestsUntilRobots = 0;  // a crawler reads robots.txt again after this many
    };
    struct Page {
        std::string path;
        bool missing;
    };

    // splitmix64: tiny, fast and identical everywhere.
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
    bool Chance(int percent) { return Below(100) < percent; }
    template <typename T, std::size_t N>
    const T& Pick(const std::array<T, N>& items) {
        return items[static_cast<std::size_t>(Below(static_cast<int>(N)))];
    }

    static constexpr std::array<std::string_view, 8> kBrowsers = {
        "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
        "Chrome/120.0.0.0 Safari/537.36",
        "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, like Gecko) "
        "Version/17.1 Safari/605.1.15",
        "Mozilla/5.0 (X11; Linux x86_64; rv:121.0) Gecko/20100101 Firefox/121.0",
        "Mozilla/5.0 (iPhone; CPU iPhone OS 17_1 like Mac OS X) AppleWebKit/605.1.15 (KHTML, like "
        "Gecko) Version/17.1 Mobile/15E148 Safari/604.1",
        "Mozilla/5.0 (Linux; Android 14; Pixel 7) AppleWebKit/537.36 (KHTML, like Gecko) "
        "Chrome/120.0.6099.144 Mobile Safari/537.36",
        "Mozilla/5.0 (Windows NT 10.0; Win64; x64; rv:115.0) Gecko/20100101 Firefox/115.0",
        "Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 6.1; Trident/4.0)",
        "-"};
    static constexpr std::array<std::string_view, 6> kCrawlers = {
        "Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)",
        "Googlebot-Image/1.0",
        "Mozilla/5.0 (compatible; bingbot/2.0; +http://www.bing.com/bingbot.htm)",
        "Mozilla/5.0 (compatible; YandexBot/3.0; +http://yandex.com/bots)",
        "Mozilla/5.0 (compatible; Baiduspider/2.0; +http://www.baidu.com/search/spider.html)",
        "DuckDuckBot/1.1; (+http://duckduckgo.com/duckduckbot.html)"};
    static constexpr std::array<std::string_view, 12> kPages = {
        "/",
        "/index.html",
        "/products/index.html",
        "/products/widgets.html",
        "/products/gadgets.php?id=17",
        "/blog/",
        "/blog/2023/11/a-long-post-about-widgets.html",
        "/search.php?q=blue+widget",
        "/contact.php",
        "/about/team.htm",
        "/docs/manual-2.0/",
        "/downloads/widget-1.4.2.tar.gz"};
    static constexpr std::array<std::string_view, 6> kPhrases = {
        "blue+widgets",
        "widget+manual+pdf",
        "cheap%20gadgets",
        "how+to+fix+a+widget",
        "%D0%B2%D0%B8%D0%B4%D0%B6%D0%B5%D1%82",
        "gadgets"};
    static constexpr std::array<std::string_view, 5> kStaticFiles = {
        "/css/site.css", "/js/menu.js", "/js/app.min.js", "/images/logo.png", "/images/spacer.gif"};

    void MakeVisitors() {
        for (int i = 0; i < 3000; ++i) {
            Visitor v;
            const int kind = Below(100);
            if (kind < 2) {
                v.host = "2001:db8:" + Hex(Below(65536)) + "::" + Hex(Below(65536));
            } else if (kind < 5) {
                v.host = "dsl-" + std::to_string(Below(256)) + "-" + std::to_string(Below(256)) +
                         ".dyn.example.net";
            } else {
                int first = 1 + Below(223);
                if (first == 10 || first == 127) first += 1;  // no private or loopback visitors
                v.host = std::to_string(first) + "." + std::to_string(Below(256)) + "." +
                         std::to_string(Below(256)) + "." + std::to_string(1 + Below(254));
            }
            v.crawler = i % 15 == 0;  // a few crawlers with many requests each
            v.agent = std::string(v.crawler ? Pick(kCrawlers) : Pick(kBrowsers));
            if (!v.crawler && Chance(2)) v.user = "user" + std::to_string(i);
            v.readsRobotsOnce = !v.crawler && Chance(5);
            (v.crawler ? crawlers_ : people_).push_back(visitors_.size());
            visitors_.push_back(std::move(v));
        }
    }

    static std::string Hex(int value) {
        char text[8];
        std::snprintf(text, sizeof text, "%x", value);
        return text;
    }

    std::string SearchReferrer() {
        const std::string phrase(Pick(kPhrases));
        switch (Below(6)) {
            case 0:
                return "https://www.google.com/search?q=" + phrase +
                       "&start=" + std::to_string(10 * Below(4)) + "&sa=N";
            case 1:
                return "https://www.google.de/search?hl=de&q=" + phrase;
            case 2:
                return "https://www.bing.com/search?q=" + phrase + "&form=QBLH";
            case 3:
                return "https://yandex.ru/search/?text=" + phrase +
                       "&p=" + std::to_string(Below(3));
            case 4:
                return "https://www.baidu.com/s?ie=utf-8&wd=" + phrase;
            default:
                return Chance(50) ? "https://duckduckgo.com/?q=" + phrase
                                  : "https://duckduckgo.com/";
        }
    }

    std::string EntryReferrer() {
        const int kind = Below(100);
        if (kind < 35) return SearchReferrer();
        if (kind < 45) return "https://news.example.org/links?page=" + std::to_string(Below(9));
        return "-";
    }

    // Seconds since 1 January 1970 as "[dd/Mon/yyyy:HH:MM:SS +0100".
    static std::string Timestamp(std::int64_t t) {
        static constexpr std::array<const char*, 12> kMonths = {
            "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
        std::int64_t z = t / 86400 + 719468;  // days since 1 March of year 0
        const std::int64_t secs = t % 86400;
        const std::int64_t era = z / 146097;
        const std::int64_t doe = z - era * 146097;
        const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
        const std::int64_t mp = (5 * doy + 2) / 153;
        const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
        const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
        const int year = static_cast<int>(yoe + era * 400 + (month <= 2));
        char text[40];
        std::snprintf(text, sizeof text, "[%02d/%s/%04d:%02d:%02d:%02d +0100", day,
                      kMonths[static_cast<std::size_t>(month - 1)], year,
                      static_cast<int>(secs / 3600), static_cast<int>(secs / 60 % 60),
                      static_cast<int>(secs % 60));
        return text;
    }

    std::string Line(const Visitor& v, std::int64_t time, std::string_view method,
                     std::string_view path, int status, std::string_view size,
                     std::string_view referrer) {
        std::string line;
        line.reserve(300);
        line.append(v.host).append(" - ").append(v.user).append(" ").append(Timestamp(time));
        line.append("] \"").append(method).append(" ").append(path);
        line.append(Chance(95) ? " HTTP/1.1\" " : " HTTP/1.0\" ");
        line.append(std::to_string(status)).append(" ").append(size);
        line.append(" \"").append(referrer).append("\" \"").append(v.agent).append("\"");
        return line;
    }

    std::string Size(int status, int typical) {
        if (status == 304) return "-";
        if (status == 404) return std::to_string(200 + Below(100));
        return std::to_string(typical / 2 + Below(typical));
    }

    Page AnyPage() {
        if (Chance(3)) return {"/old/page" + std::to_string(Below(50)) + ".html", true};
        return {std::string(Pick(kPages)), false};
    }

    std::string PageLine(const Visitor& v, std::int64_t time, const Page& page,
                         std::string_view referrer) {
        const std::string_view method = Chance(2) ? "POST" : (Chance(1) ? "HEAD" : "GET");
        const int status = page.missing ? 404 : 200;
        return Line(v, time, method, page.path, status, Size(status, 8000), referrer);
    }

    // A long crawl reads robots.txt again every few dozen requests.
    int RobotsInterval() { return 15 + Below(40); }

    std::string RobotsLine(const Visitor& v, std::int64_t time) {
        return Line(v, time, "GET", "/robots.txt", 200, Size(200, 300), "-");
    }

    // One page view of one session, queued in time order (the queue is taken from its back).
    void NextPageView() {
        clock_ += Below(20);  // a small site: a page view every ten seconds or so
        if (sessions_.size() < 40 || Chance(3)) StartSession();
        std::size_t index = static_cast<std::size_t>(Below(static_cast<int>(sessions_.size())));
        Session& s = sessions_[index];
        Visitor& v = visitors_[s.visitor];
        if (v.busyUntil > clock_) clock_ = std::min(v.busyUntil, clock_ + 60);  // still reading
        std::int64_t t = clock_;
        std::vector<std::string> lines;
        const Page page = AnyPage();
        if (v.crawler) {
            Crawl(s, v, page, t, lines);
        } else {
            Browse(s, v, page, t, lines);
        }
        clock_ = t;  // the next page view starts no earlier than this one ended
        s.lastPage = "https://www.example.com" + page.path;
        v.busyUntil = t + 5 + Below(v.crawler ? 30 : 240);
        if (--s.pagesLeft <= 0) {
            // The visitor comes back much later, often after more than half an hour.
            v.busyUntil = t + 1800 + Below(6 * 3600);
            sessions_[index] = sessions_.back();
            sessions_.pop_back();
        }
        for (auto it = lines.rbegin(); it != lines.rend(); ++it) pending_.push_back(std::move(*it));
    }

    void Crawl(Session& s, const Visitor& v, const Page& page, std::int64_t& t,
               std::vector<std::string>& lines) {
        if (s.requestsUntilRobots <= 0) {
            lines.push_back(RobotsLine(v, t));
            s.requestsUntilRobots = RobotsInterval();
        }
        lines.push_back(PageLine(v, t, page, "-"));
        int requests = 1;
        if (Chance(1)) {  // a burst: dozens of pages within a few seconds
            const int more = 20 + Below(40);
            const int seconds = 1 + Below(5);
            for (int i = 1; i <= more; ++i)
                lines.push_back(PageLine(v, t + i * seconds / more, AnyPage(), "-"));
            t += seconds;
            requests += more;
        }
        s.requestsUntilRobots -= requests;
    }

    void Browse(const Session& s, Visitor& v, const Page& page, std::int64_t& t,
                std::vector<std::string>& lines) {
        if (v.readsRobotsOnce) {
            lines.push_back(RobotsLine(v, t));
            v.readsRobotsOnce = false;
        }
        const std::string referrer = s.lastPage.empty() ? EntryReferrer() : s.lastPage;
        lines.push_back(PageLine(v, t, page, referrer));
        if (page.missing) return;
        const std::string self = "https://www.example.com" + page.path;
        for (std::string_view file : kStaticFiles) {
            if (v.seenBefore && Chance(50)) continue;  // still fresh in the browser's cache
            t += Below(2);
            const int status = v.seenBefore && Chance(60) ? 304 : 200;
            lines.push_back(Line(v, t, "GET", file, status, Size(status, 20000), self));
        }
        if (!v.seenBefore) {
            const int status = Chance(70) ? 200 : 404;
            lines.push_back(Line(v, t, "GET", "/favicon.ico", status, Size(status, 1150), "-"));
        }
        v.seenBefore = true;
    }

    void StartSession() {
        // A few crawlers come back far more often than any one person.
        const std::vector<std::size_t>& group = Chance(40) ? crawlers_ : people_;
        const auto any = [&] {
            return group[static_cast<std::size_t>(Below(static_cast<int>(group.size())))];
        };
        std::size_t visitor = any();
        for (int tries = 0; tries < 5 && visitors_[visitor].busyUntil > clock_; ++tries)
            visitor = any();
        int pages = 1 + Below(8);
        int untilRobots = 0;
        if (visitors_[visitor].crawler) {
            // Crawlers mostly look in briefly, for a few pages, and sometimes crawl for hours.
            // Nearly every crawl starts with robots.txt; a few trust a copy from an earlier one.
            pages = Chance(90) ? 1 + Below(3) : 20 + Below(100);
            if (Chance(5)) untilRobots = RobotsInterval();
        }
        sessions_.push_back({visitor, pages, {}, untilRobots});
    }

    // Spoils a line as real logs have them spoilt: a writer cut off, a site still on the Common
    // Log Format, a misconfigured clock format, a TLS handshake sent to the plain port, a probe
    // with an overlong path.
    void Damage(std::string& line) {
        const std::size_t time = line.find('[') + 1;
        const std::size_t request = line.find('"') + 1;
        const int kind = Below(20);
        if (kind < 6) {
            line.resize(10 + static_cast<std::size_t>(Below(static_cast<int>(line.size()) - 10)));
        } else if (kind < 11) {
            // Up to the size field: the referrer's quote is the third one on the line.
            line.resize(line.find('"', line.find('"', request) + 1) - 1);
        } else if (kind < 13) {
            static constexpr std::array<std::string_view, 4> kForeignMonths = {"Mrz", "Mai", "Okt",
                                                                               "Dez"};
            line.replace(time + 3, 3, Pick(kForeignMonths));
        } else if (kind < 15) {
            line.erase(time + 17, 9);  // "dd/Mon/yyyy:HH:MM" is all that is left
        } else if (kind < 17) {
            // A TLS record header, then a continuation byte without a lead byte: never UTF-8.
            std::string junk = "\x16\x03\x01";
            junk.push_back(static_cast<char>(0x80 + Below(64)));
            for (int i = 10 + Below(30); i > 0; --i) {
                const char c = static_cast<char>(1 + Below(255));
                if (c != '\n' && c != '\r' && c != '"') junk.push_back(c);
            }
            line.replace(request, std::string::npos, junk + "\" 400 226 \"-\" \"-\"");
        } else if (kind < 18) {
            line.clear();
        } else {
            const std::size_t path = line.find(' ', request) + 1;
            line.replace(line.find('"', request) + 2, 3, "404");  // no such file
            line.replace(path, line.find(' ', path) - path,
                         "/" + std::string(2000 + static_cast<std::size_t>(Below(4000)), 'A'));
        }
    }

    std::uint64_t state_;
    std::int64_t clock_ = 1709251200;  // 1 March 2024, 00:00
    std::vector<Visitor> visitors_;
    std::vector<std::size_t> crawlers_;  // indices into visitors_
    std::vector<std::size_t> people_;
    std::vector<Session> sessions_;
    std::vector<std::string> pending_;
};
