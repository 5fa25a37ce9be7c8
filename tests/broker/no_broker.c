/* A library that loads fine but has no Broker: stands in for a wrong tarnvel. */
int not_the_broker(void);
int not_the_broker(void)
{
    return 0;
}
