// Settings.hpp: a program's persistent name/value settings, kept in one key/value file.
//
//   Settings settings;
//   Error error = settings.initialize(FilePath("C:/app/settings.conf"));
//   settings.set("port", 8080);               // the file now holds: port="8080"
//   int port = settings.getInt("port", 80);    // 8080
//
// Reads come from memory. Every change that alters a value rewrites the whole file at
// once, or once at the end of a batch (beginUpdate ... endUpdate). Typed values are
// written and read in the classic locale, so a file reads back the same everywhere.
#pragma once

#include <map>
#include <string>

#include <boost/function.hpp>
#include <boost/noncopyable.hpp>

#include <shared_core/Error.hpp>
#include <shared_core/FilePath.hpp>

namespace velorin::core {

class Settings : boost::noncopyable
{
public:
   Settings();
   // Writes nothing: changes of a batch that was never ended are lost.
   virtual ~Settings();

   // Binds the file and loads it; a file that does not exist yet loads as empty. Other
   // read errors come back with the property "settings-file".
   Error initialize(const FilePath& filePath);

   // The stored value, even an empty one; the default when the name is absent.
   std::string get(const std::string& name, const std::string& defaultValue) const;
   // The default when the value is absent, empty or does not convert ("0" and "1" for
   // bool).
   bool getBool(const std::string& name, bool defaultValue) const;
   double getDouble(const std::string& name, double defaultValue) const;
   int getInt(const std::string& name, int defaultValue) const;

   // A change to the value stored marks the settings dirty and writes the file unless
   // a batch is open; storing the same value again writes nothing. Setting an absent
   // name to the empty text adds it without a write: it reaches the file with the next
   // one. A name the file cannot hold (white space at either end, '=', CR or LF) is
   // refused: system error 22 is logged with the property "name" and nothing changes.
   void set(const std::string& name, const std::string& value);
   // Stores the text, where a literal would otherwise pick the bool overload; a null
   // pointer stores the empty text.
   void set(const std::string& name, const char* value);
   void set(const std::string& name, int value);
   // In fixed notation: 0.5 is stored as "0.500000".
   void set(const std::string& name, double value);
   // "1" or "0".
   void set(const std::string& name, bool value);

   bool contains(const std::string& name) const;
   // Every entry in name order.
   void forEach(const boost::function<void(const std::string& name, const std::string& value)>& function) const;

   // There is no nesting: one endUpdate closes the batch however often it was begun.
   void beginUpdate();
   // Writes the file when a change was made since the last write.
   void endUpdate();
   // A failed write is logged, not returned; the values in memory stay.
   void writeSettings();

private:
   FilePath file_;
   std::map<std::string, std::string> values_;
   bool updating_;
   bool dirty_;
};

} // namespace velorin::core
