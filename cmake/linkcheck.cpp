// Linked with every object of one library and nothing but the libraries that library declares:
// a library that uses anything it does not declare fails to link here. See cmake/ZvBuild.cmake.
int main()
{
    return 0;
}
