#include "server/connection_handlers.hpp"

#include "db/sql_connection.hpp"
#include "server/remote_data_module.hpp"
#include "server/server_environment.hpp"

namespace zorvanil::server {

void registerConnectionHandlers(HandlerTable& table) {
    // Before every connection attempt: the connection file.
    table.add("SQLConnection1BeforeConnect",
              ConnectionHandler([](TAZORVANIL& module, db::SQLConnection& c) {
                  ServerEnvironment& env = module.environment();
                  env.configFiles->run(env.connectionFile, c.params());
              }));
    // Once, when the object has been built: the creation file. Its values reach no connection;
    // what lasts is the file, created or rewritten.
    table.add("RemoteDataModuleCreate", ModuleHandler([](TAZORVANIL& module) {
                  ServerEnvironment& env = module.environment();
                  env.configFiles->run(env.creationFile, module.SQLConnection1().params());
              }));
    // With the login prompt off the connection never calls it.
    table.add("SQLConnection1Login",
              LoginHandler([](TAZORVANIL& module, db::SQLConnection&, db::ParamList& params) {
                  ServerEnvironment& env = module.environment();
                  env.configFiles->run(env.creationFile, params);
              }));
}

}  // namespace zorvanil::server
