// Corrects the description (dsp.ttl) that the framework's LV2 wrapper writes into the built bundle.
//
//   vorn-lv2-ttl --class CLASS BUNDLE_DIR
//
// The wrapper in Debian's JUCE 7.0.5 writes the named values (lv2:scalePoint) of a parameter with steps as
// fractions 0..1, although the range it declares, and the value a host sends in a patch:Set, are in the
// parameter's own units: "Delay-2" of the effect mode (range 0..4) is written as 1, which selects "Echo-1".
// Each named value becomes the value in the parameter's units: the k-th of n points (the wrapper writes them in
// order, at k / (n - 1) of the range) becomes minimum + k * (maximum - minimum) / (n - 1), which for a choice is
// its index. The wrapper also types every effect as a generic lv2:Plugin; CLASS (for example ReverbPlugin) adds
// the lv2 class that hosts file the plug-in under. And it writes the maker's e-mail address as a bare IRI
// (<support@example.com>), which a Turtle reader resolves against the bundle's folder into a file: address;
// it becomes a mailto: address.
//
// Running it again on a corrected file changes nothing. A file that is not shaped as the wrapper writes it
// fails the build instead of being half corrected.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace
{
struct Failure
{
    std::string message;
};

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Failure{"cannot read " + path};
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

/** Replaces the file in one step, so that a failed write never leaves half a description behind. */
void writeFile(const std::string& path, const std::string& text)
{
    const auto temporary = path + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush())
            throw Failure{"cannot write " + temporary};
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0)
        throw Failure{"cannot replace " + path};
}

/** The statement's value of a single-valued property such as lv2:minimum, as a number. */
double numberAfter(const std::string& statement, const std::string& property, const std::string& subject)
{
    std::smatch match;
    if (!std::regex_search(statement, match, std::regex(property + "\\s+([-+0-9.eE]+)")))
        throw Failure{subject + " has no " + property};
    return std::stod(match[1]);
}

/** A number as Turtle reads it back exactly enough: whole numbers without a fraction. */
std::string formatNumber(double value)
{
    if (value == std::floor(value) && std::abs(value) < 1.0e9)
        return std::to_string(static_cast<long long>(value));
    std::ostringstream out;
    out.precision(9);
    out << value;
    return out.str();
}

/** Rewrites the scale points of one parameter statement in the parameter's own units. */
std::string correctScalePoints(const std::string& statement)
{
    const auto subject = statement.substr(0, statement.find_first_of(" \t\n"));
    const auto minimum = numberAfter(statement, "lv2:minimum", subject);
    const auto maximum = numberAfter(statement, "lv2:maximum", subject);

    const std::regex valuePattern("(rdf:value\\s+)([-+0-9.eE]+)");
    const auto count =
        std::distance(std::sregex_iterator(statement.begin(), statement.end(), valuePattern), std::sregex_iterator());
    if (count < 2)
        throw Failure{subject + " has " + std::to_string(count) + " named values; expected two or more"};

    std::string corrected;
    auto copiedUpTo = statement.cbegin();
    long k = 0;
    for (auto it = std::sregex_iterator(statement.begin(), statement.end(), valuePattern); it != std::sregex_iterator();
         ++it, ++k)
    {
        const auto written = std::stod((*it)[2]);
        const auto fraction = double(k) / double(count - 1);
        const auto inUnits = minimum + fraction * (maximum - minimum);
        const auto tolerance = 1.0e-4 * std::max(1.0, std::abs(maximum - minimum));
        if (std::abs(written - fraction) > 1.0e-4 && std::abs(written - inUnits) > tolerance)
            throw Failure{subject + ": named value " + std::to_string(k) + " is " + (*it)[2].str() +
                          ", neither the fraction nor the value the wrapper would write"};
        corrected.append(copiedUpTo, (*it)[2].first);
        corrected += formatNumber(inUnits);
        copiedUpTo = (*it)[2].second;
    }
    corrected.append(copiedUpTo, statement.cend());
    return corrected;
}

/** Adds the class to the plug-in's own statement, the one that says "a lv2:Plugin". */
std::string addPluginClass(const std::string& statement, const std::string& pluginClass)
{
    const auto typed = "lv2:" + pluginClass;
    if (statement.find(typed) != std::string::npos)
        return statement;
    const std::string generic = "a lv2:Plugin ;";
    const auto at = statement.find(generic);
    if (at == std::string::npos)
        throw Failure{"the plug-in's statement does not say \"" + generic + "\""};
    auto corrected = statement;
    corrected.replace(at, generic.size(), "a lv2:Plugin , " + typed + " ;");
    return corrected;
}

/** Gives an e-mail address written without a scheme (foaf:mbox <name@host>) the mailto: scheme. */
std::string mailtoAddresses(const std::string& statement)
{
    static const std::regex bareAddress("(foaf:mbox\\s+<)([^:>]+@[^:>]+>)");
    return std::regex_replace(statement, bareAddress, "$1mailto:$2");
}

/** The wrapper ends every statement with " ." and a blank line; each piece keeps its separator. */
std::vector<std::string> splitStatements(const std::string& text)
{
    std::vector<std::string> pieces;
    size_t start = 0;
    for (auto end = text.find(" .\n\n"); end != std::string::npos; end = text.find(" .\n\n", start))
    {
        pieces.push_back(text.substr(start, end + 4 - start));
        start = end + 4;
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

std::string correctDescription(const std::string& text, const std::string& pluginClass)
{
    std::string corrected;
    int pluginStatements = 0;
    for (auto statement : splitStatements(text))
    {
        const auto isParameter = statement.find("\ta lv2:Parameter ;") != std::string::npos;
        if (isParameter && statement.find("lv2:scalePoint") != std::string::npos)
            statement = correctScalePoints(statement);
        if (statement.find("\ta lv2:Plugin ;") != std::string::npos ||
            statement.find("\ta lv2:Plugin , lv2:") != std::string::npos)
        {
            statement = mailtoAddresses(addPluginClass(statement, pluginClass));
            ++pluginStatements;
        }
        corrected += statement;
    }
    if (pluginStatements != 1)
        throw Failure{"found " + std::to_string(pluginStatements) + " plug-in statements; expected one"};
    return corrected;
}

int usage()
{
    std::fprintf(stderr, "usage: vorn-lv2-ttl --class CLASS BUNDLE_DIR\n");
    return 2;
}
} // namespace

int main(int argc, char** argv)
{
    std::string pluginClass, bundle;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "--class" && i + 1 < argc)
            pluginClass = argv[++i];
        else if (bundle.empty())
            bundle = arg;
        else
            return usage();
    }
    if (pluginClass.empty() || bundle.empty())
        return usage();

    const auto path = bundle + "/dsp.ttl";
    try
    {
        const auto text = readFile(path);
        const auto corrected = correctDescription(text, pluginClass);
        if (corrected != text)
            writeFile(path, corrected);
    }
    catch (const Failure& failure)
    {
        std::fprintf(stderr, "vorn-lv2-ttl: %s: %s\n", path.c_str(), failure.message.c_str());
        return 1;
    }
    catch (const std::exception& error) // a number that does not parse
    {
        std::fprintf(stderr, "vorn-lv2-ttl: %s: %s\n", path.c_str(), error.what());
        return 1;
    }
    return 0;
}
