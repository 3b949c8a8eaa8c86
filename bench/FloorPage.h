#pragma once

// The floor the rendering benchmarks measure against: titles and table rows escaped and appended into a page,
// nothing else.
#include "QorvCSHTMLReport.h"

#include <benchmark/benchmark.h>

#include <string>
#include <string_view>

class FloorPage {
public:
    void title(std::string_view text)
    {
        m_html += "<h2>";
        m_html += QorvCSHTMLReport::escapeString(text);
        m_html += "</h2>";
    }
    void table(std::string_view summary, std::string_view caption)
    {
        m_html += "<table summary=\"";
        m_html += QorvCSHTMLReport::escapeString(summary);
        m_html += "\"><caption>";
        m_html += QorvCSHTMLReport::escapeString(caption);
        m_html += "</caption>";
    }
    void row(std::string_view heading, std::string_view value)
    {
        m_html += "<tr><th>";
        m_html += QorvCSHTMLReport::escapeString(heading);
        m_html += "</th><td>";
        m_html += QorvCSHTMLReport::escapeString(value);
        m_html += "</td></tr>";
    }
    void endTable() { m_html += "</table>"; }
    // The page's size, once closed.
    size_t finish()
    {
        m_html += "</body></html>";
        benchmark::DoNotOptimize(m_html.data());
        return m_html.size();
    }

private:
    std::string m_html = "<html><body>";
};
