// ForeignLocale.hpp: a global locale unlike the classic one, set for one scope, so
// that a test sees whether protocol text follows the host's locale.
#pragma once

#include <ctime>
#include <ios>
#include <locale>
#include <stdexcept>
#include <string>

namespace velorin::core::testing {

// Every digit its own group ("2.0.1.9"), and ',' for the decimal point.
class GroupingNumpunct : public std::numpunct<char>
{
protected:
   char do_thousands_sep() const override { return '.'; }
   std::string do_grouping() const override { return "\1"; }
   char do_decimal_point() const override { return ','; }
};

// Writes every weekday and month name, short or long, as "Xx".
class OtherNamesTimePut : public std::time_put<char>
{
protected:
   iter_type do_put(iter_type out, std::ios_base& stream, char fill, const std::tm* time, char format, char modifier)
      const override
   {
      if (format != 'a' && format != 'A' && format != 'b' && format != 'B' && format != 'h')
         return std::time_put<char>::do_put(out, stream, fill, time, format, modifier);
      *out++ = 'X';
      *out++ = 'x';
      return out;
   }
};

inline std::locale builtForeignLocale()
{
   return std::locale(std::locale(std::locale::classic(), new GroupingNumpunct), new OtherNamesTimePut);
}

// An installed locale with names of its own, when the machine has one.
inline bool installedForeignLocale(std::locale* locale)
{
   for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8"})
   {
      try
      {
         *locale = std::locale(name);
         return true;
      }
      catch (const std::runtime_error&)
      {
      }
   }
   return false;
}

// The process's global locale for the length of the scope.
class ScopedGlobalLocale
{
public:
   explicit ScopedGlobalLocale(const std::locale& locale) : previous_(std::locale::global(locale)) {}
   ~ScopedGlobalLocale() { std::locale::global(previous_); }

   ScopedGlobalLocale(const ScopedGlobalLocale&) = delete;
   ScopedGlobalLocale& operator=(const ScopedGlobalLocale&) = delete;

private:
   std::locale previous_;
};

} // namespace velorin::core::testing
