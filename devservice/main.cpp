// Placeholder until the development service lands.
int main()
{
    return 0;
}
