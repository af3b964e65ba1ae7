// Database files of our own: creating a new one with its first user, and the
// user table that connections authenticate against.
#pragma once

#include <string>

namespace orvesql {

class BackendConnection;

// Name of the table in every database file that holds the users.
extern const char* const kUserTable;

// Creates FILE as a new, empty database with one user; refuses an existing
// file. Throws EsqlError on failure.
void CreateDatabaseFile(const std::string& path, const std::string& user,
                        const std::string& password);

// True when the opened database has our user table.
bool IsDatabaseOfOurs(BackendConnection& db);

// True when the user exists (names compare without case) and the password matches.
bool CheckLogin(BackendConnection& db, const std::string& user, const std::string& password);

}  // namespace orvesql
